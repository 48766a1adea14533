#!/usr/bin/env python3
"""Python peers of the song-pattern and list-filling benchmarks, over the same answer file.

  song_pattern_peer.py ANSWER_FILE RUNS  -> one "name<TAB>seconds" line per run and figure

pattern: the answer in code page 936 decoded, the song pattern run with `re` ignoring case, the
         seven fields of every match read and encoded back to code page 936 (RegexObject's work);
engine:  `re` alone over the decoded text, every match found (the engine-only figure);
fill:    the UTF-8 answer read with `json`, and for every record the seven cells built, tidied
         ("?" to a blank, ";" to "、") and encoded to code page 936 (FillResultList's work).
"""
import json
import re
import statistics
import sys
import time

SONG_PATTERN = re.compile(
    r'SongName":"(.*?)"(.*?)Artist":"(.*?)"(.*?)Length":"(.*?)"(.*?)FlacUrl":"(.*?)"(.*?)'
    r'SqUrl":"(.*?)","HqUrl":"(.*?)","LqUrl":"(.*?)"', re.IGNORECASE)
FIELD_GROUPS = (1, 3, 5, 7, 9, 10, 11)
KEYS = ("SongName", "Artist", "Length", "FlacUrl", "SqUrl", "HqUrl", "LqUrl")


def pattern_with_fields(answer_gbk):
    subject = answer_gbk.decode("gbk")
    rows = [[match.group(g).encode("gbk") for g in FIELD_GROUPS]
            for match in SONG_PATTERN.finditer(subject)]
    return len(rows)


def engine_only(subject):
    return sum(1 for _ in SONG_PATTERN.finditer(subject))


def fill_from_json(answer_utf8):
    rows = []
    for record in json.loads(answer_utf8)["data"]:
        cells = [record.get(key, "") for key in KEYS]
        cells[0] = cells[0].replace("?", " ")
        cells[1] = cells[1].replace(";", "、")
        rows.append([cell.encode("gbk") for cell in cells])
    return len(rows)


def timed(run, argument, expected):
    started = time.perf_counter()
    found = run(argument)
    seconds = time.perf_counter() - started
    if found != expected:
        sys.exit(f"{run.__name__}: {found} rows instead of {expected}")
    return seconds


def main():
    with open(sys.argv[1], "rb") as file:
        answer_utf8 = file.read()
    runs = int(sys.argv[2]) if len(sys.argv) > 2 else 5
    answer_gbk = answer_utf8.decode("utf-8").encode("gbk")
    subject = answer_gbk.decode("gbk")
    records = len(json.loads(answer_utf8)["data"])
    for _ in range(runs):
        print(f"python_re.pattern.seconds\t{timed(pattern_with_fields, answer_gbk, records):.6f}")
        print(f"python_re.engine.seconds\t{timed(engine_only, subject, records):.6f}")
        print(f"python_json.fill.seconds\t{timed(fill_from_json, answer_utf8, records):.6f}")
    print(f"python.megabytes\t{len(answer_gbk) / 1e6:.6f}")


if __name__ == "__main__":
    main()
