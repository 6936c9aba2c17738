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


def expected_ranking(expected_file):
    """The ranked list that counting every record gives, as the library ranks:
    each log's best three (its folders folded by ASCII case under their first
    spelling, ties to the folder seen first, which is the file's order), the
    second log's added into the first's where the spelling is the same, else
    appended, and the best three of that."""
    logs = {}
    with open(expected_file, encoding="utf-8") as f:
        for line in f:
            parts = line.rstrip("\n").split("\t")
            if len(parts) == 3:
                logs.setdefault(parts[0], []).append([parts[2], int(parts[1])])
    names = sorted(logs)
    merged = [list(entry) for entry in logs[names[0]][:3]] if names else []
    own = len(merged)
    for folder, hits in (logs[names[1]][:3] if len(names) > 1 else []):
        match = next((entry for entry in merged[:own] if entry[0] == folder), None)
        if match:
            match[1] += hits
        else:
            merged.append([folder, hits])
    ranked = []
    while merged and len(ranked) < 3:
        best = max(range(len(merged)), key=lambda i: (merged[i][1], -i))
        ranked.append(merged.pop(best))
    return ranked


def check_ranked(list_json, expected_file):
    """Prints whether the ranked list is the one that counting every record gives."""
    with open(list_json, encoding="utf-8") as f:
        folders = json.load(f)["folders"]
    expected = expected_ranking(expected_file)
    every = len(folders) == len(expected)
    for entry, (folder, hits) in zip(folders, expected):
        ok = entry["folder"] == folder and entry["hits"] == hits
        every = every and ok
        print(f"  {entry['rank']}  {entry['hits']:>10}  {entry['folder']}"
              f"   ({'same as' if ok else 'DIFFERENT from'} counting every record: {hits} {folder})")
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
