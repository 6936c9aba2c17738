#!/usr/bin/env python3
"""Summaries for scripts/bench: medians of hyperfine runs, the ranked list
checked against the generator's expected tally, and data rows for the plots."""
import json
import statistics
import sys


def median_times(json_files):
    """Per command over all rounds: the median wall time of all runs and the
    median of the rounds' mean CPU time (user + system), in seconds."""
    times, cpu = {}, {}
    for path in json_files:
        with open(path, encoding="utf-8") as f:
            for result in json.load(f)["results"]:
                times.setdefault(result["command"], []).extend(result["times"])
                cpu.setdefault(result["command"], []).append(result["user"] + result["system"])
    return {command: (statistics.median(values), statistics.median(cpu[command]))
            for command, values in times.items()}


def expected_hits(expected_file):
    """Hits per folder (folded to lower-case ASCII) summed over both logs."""
    hits = {}
    with open(expected_file, encoding="utf-8") as f:
        for line in f:
            parts = line.rstrip("\n").split("\t")
            if len(parts) != 3:
                continue
            key = parts[2].encode("utf-8").lower().decode("utf-8")
            hits[key] = hits.get(key, 0) + int(parts[1])
    return hits


def check_ranked(list_json, expected_file):
    """Prints whether each ranked folder has the hits that reading every record gives."""
    with open(list_json, encoding="utf-8") as f:
        folders = json.load(f)["folders"]
    expected = expected_hits(expected_file)
    every = True
    for entry in folders:
        want = expected.get(entry["folder"].encode("utf-8").lower().decode("utf-8"))
        ok = want == entry["hits"]
        every = every and ok
        print(f"  {entry['rank']}  {entry['hits']:>10}  {entry['folder']}"
              f"   (every record read gives {want}: {'same' if ok else 'DIFFERENT'})")
    return every


def counted_share(list_json, expected_file):
    """The share of the records that was counted, estimated from the best
    folder: its hits over the hits that reading every record gives."""
    with open(list_json, encoding="utf-8") as f:
        folders = json.load(f)["folders"]
    if not folders:
        return 0.0
    best = folders[0]
    want = expected_hits(expected_file).get(best["folder"].encode("utf-8").lower().decode("utf-8"))
    return best["hits"] / want if want else 0.0


def main(argv):
    command = argv[1]
    if command == "medians":
        # medians NAME=COMMAND... -- FILES: prints "NAME wall_s cpu_s" per named command
        split = argv.index("--")
        names = dict(pair.split("=", 1) for pair in argv[2:split])
        medians = median_times(argv[split + 1:])
        for name, cmd in names.items():
            wall, cpu = medians[cmd]
            print(name, f"{wall:.6f}", f"{cpu:.6f}")
        return 0
    if command == "share":
        print(f"{counted_share(argv[2], argv[3]):.4f}")
        return 0
    if command == "check":
        return 0 if check_ranked(argv[2], argv[3]) else 1
    print("usage: summarize.py medians NAME=CMD... -- FILES | check LIST_JSON EXPECTED", file=sys.stderr)
    return 2


if __name__ == "__main__":
    sys.exit(main(sys.argv))
