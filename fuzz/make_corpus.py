#!/usr/bin/env python3
"""Writes the seed corpus under fuzz/corpus/<target>/.

The byte layouts follow fuzz/harness/input_reader.h and the Read* functions of
the checks: one byte per flag or count, 32-bit little-endian for Below(),
UTF-16LE for texts. Run it again after changing a layout.
"""
import pathlib
import struct

ROOT = pathlib.Path(__file__).resolve().parent / "corpus"


def utf16(text):
    return text.encode("utf-16-le", "surrogatepass")


class Writer:
    def __init__(self):
        self.out = bytearray()

    def byte(self, value):
        self.out.append(value & 0xFF)
        return self

    def u16(self, value):
        self.out += struct.pack("<H", value & 0xFFFF)
        return self

    def u32(self, value):
        self.out += struct.pack("<I", value & 0xFFFFFFFF)
        return self

    def raw(self, data):
        self.out += data
        return self

    def text(self, text):  # InputReader::Text: a unit count, then the units
        units = utf16(text)
        self.byte(len(units) // 2)
        return self.raw(units)

    def bytes(self, data):  # InputReader::Bytes
        self.byte(len(data))
        return self.raw(data)

    def long_bytes(self, data):  # InputReader::LongBytes
        self.u16(len(data))
        return self.raw(data)

    def path(self, text):  # ReadPath, raw shape
        self.byte(0)
        return self.text(text)

    def today(self, year, month, day):  # ReadToday
        return (self.u32(year - 1980).u32(month - 1).u32(day - 1)
                .u32(3).u32(12).u32(0).u32(0))

    def step(self, path, year, month, day, how=0x00, second=None, number=7):
        self.byte(how).path(path)
        if second is None:
            self.byte(0)
        else:
            self.byte(1).text(second)
        self.u32(number)
        self.byte(3)  # a full timestamp
        for field in (year, month, 2, day, 10, 30, 0, 0):
            self.u16(field)
        return self

    def script(self, first, second=(), route=0, host=b""):
        self.byte(route)
        if route & 7 in (4, 5):
            self.u32(len(host)).raw(host)
        self.u32(len(first))
        for step in first:
            self.step(*step)
        self.u32(len(second))
        for step in second:
            self.step(*step)
        return self


def write(target, name, data):
    folder = ROOT / target
    folder.mkdir(parents=True, exist_ok=True)
    (folder / name).write_bytes(bytes(data))


def list_parse():
    texts = {
        "two_entries": "C:\\Data,5|D:\\Temp,2|",
        "no_final_bar": "C:\\Data,5|D:\\Temp,2",
        "double_bar": "C:\\Data,5||D:\\Temp,2|",
        "bar_only": "|",
        "empty_path": ",5|",
        "no_comma": "42|C:\\Data|",
        "two_commas": "C:\\A,B,7|",
        "counts": "a, 7|b,12abc|c,abc|d,-3|e,|f,+4|g,\t\n 9|",
        "big_numbers": "a,2147483647|b,2147483648|c,-2147483648|d,-2147483649|e,99999999999999999999|",
        "other_digits": "a,\uff11\uff12|b,\u00a07|c,\u0663|",
        "surrogates": "C:\\\ud800x\\,1|D:\\\udc00,2|E:\\\ud83d\ude00\\,3|",
    }
    for name, text in texts.items():
        write("fuzz_list_parse", name, utf16(text))
    write("fuzz_list_parse", "empty", b"")
    write("fuzz_list_parse", "nul_after_bar", utf16("C:\\a,1|") + b"\0\0" + utf16("junk"))
    write("fuzz_list_parse", "nul_only", b"\0\0")
    write("fuzz_list_parse", "odd_bytes", utf16("C:\\a,1|") + b"Z")


RECORDS = [
    ("C:\\Users\\Ann\\Downloads\\setup.exe", 2026, 3, 3),
    ("D:\\Mail\\store.zip->docs\\a.exe", 2026, 3, 31),
    ("E:\\x.rar->in.zip->b.com", 2026, 2, 16),
    ("readme.txt", 2026, 3, 1),
    ("->inner", 2026, 3, 2),
    ("C:\\Temp\\a.exe", 2026, 3, 4),
    ("c:\\TEMP\\b.exe", 2026, 3, 5),
    ("C:\\\ud800bad\\x.exe", 2026, 3, 6),
    ("F:\\old\\y.exe", 2026, 2, 15),
    ("G:\\last year\\z.exe", 2025, 3, 20),
    ("H:\\bad date\\w.exe", 2026, 13, 40),
]


def record_tally():
    def seed(name, records, route=0, host=b"", excluded=(), second=False, today=(2026, 3, 15)):
        w = Writer().today(*today).byte(1).byte(1 if second else 0)
        w.byte(len(excluded))
        for path in excluded:
            w.path(path)
        w.script(records if not second else [], records if second else [], route, host)
        write("fuzz_record_tally", name, w.out)

    seed("first_log", RECORDS)
    seed("second_log", RECORDS, second=True)
    seed("excluded", RECORDS, excluded=["C:\\Temp\\", ""])
    seed("library", RECORDS[:3], route=4, host=b"/opt/product/bin/host")
    seed("library_search", RECORDS[:3], route=5, host=b"C:\\Product\\Bin\\host.exe")
    seed("library_short_host", RECORDS[:2], route=4, host=b"host")
    seed("library_long_host", RECORDS[:2], route=4, host=b"/" + b"d" * 290 + b"/bin/host")
    seed("january", [("C:\\a\\x", 2026, 1, 9), ("C:\\b\\x", 2025, 12, 31)], today=(2026, 1, 10))
    seed("ends_early", [("C:\\a\\x", 2026, 3, 1, 0x1F), ("C:\\b\\x", 2026, 3, 1)])
    seed("null_path", [("C:\\a\\x", 2026, 3, 1, 0x3D), ("C:\\b\\x", 2026, 3, 1, 0x0C)])


def exported_calls():
    def value(text=None, raw=None):
        data = raw if raw is not None else utf16(text)
        return Writer().byte(1).long_bytes(data).out

    def seed(name, stored=None, excluded=None, calls=b"", key=0x15, extra=9, records=RECORDS[:6]):
        w = Writer().byte(key)
        if key % 16 in (3, 4):
            w.byte(extra)
        present = (0 if stored is not None else 1) | (0 if excluded is not None else 2)
        w.byte(present)
        if stored is not None:
            w.raw(stored)
        if excluded is not None:
            w.raw(excluded)
        w.today(2026, 3, 15).script(records[:3], records[3:])
        w.raw(calls)
        write("fuzz_exported_calls", name, w.out)

    count = b"\x00"
    def log_path(index, capacity):
        return bytes([1, (index + 1) & 7]) + struct.pack("<I", capacity)
    def delete_entry(which):
        return bytes([2, 1, which])
    def delete_text(text):
        return bytes([2, 7]) + Writer().path(text).out
    update = b"\x03"

    three = value("C:\\a,5|C:\\b,3|C:\\c,2|")
    seed("query", three, None, count + log_path(1, 5) + log_path(0, 4) + log_path(0, 5) + log_path(-1, 5) + log_path(3, 5))
    seed("delete", three, None, delete_entry(1) + count + delete_text("C:\\B") + count)
    seed("delete_excluded", three, value("C:\\b,3|C:\\x,1|"), delete_entry(1) + count)
    seed("delete_twice", value("C:\\a,5|C:\\a,2|"), None, delete_entry(0) + count)
    seed("update", value("C:\\a,5|"), value("C:\\Temp\\,1|"), update + count + log_path(0, 40) + update)
    seed("malformed", value("C:\\a,5|junk"), value("x,1||"), update + delete_entry(0) + count)
    seed("nul_and_odd", value(raw=utf16("C:\\a,5|") + b"\0\0" + utf16("zz") + b"Q"), value(raw=b"\x01"),
         count + delete_entry(0) + update)
    seed("zero_bytes", value(raw=b""), value(raw=b""), count + delete_text("C:\\a") + update)
    seed("no_key", three, None, count + delete_entry(0) + update, key=0x00)
    seed("read_only", three, None, delete_entry(0) + update, key=0x01)
    seed("size_fails", three, value("C:\\b,3|"), count + delete_entry(0) + update, key=0x22)
    seed("value_shrunk", three, value("C:\\b,3|"), count + delete_entry(1), key=0x03)
    seed("value_grown", three, value("C:\\b,3|"), count + delete_entry(1) + update, key=0x04)


if __name__ == "__main__":
    list_parse()
    record_tally()
    exported_calls()
