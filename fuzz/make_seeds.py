#!/usr/bin/env python3
"""Writes the seed corpora of the fuzz targets (fuzz/corpus/<target>/) from the tests' fixtures.

Each target reads a few control bytes, then texts separated by NUL bytes (see the comment at the
top of each target). Run again after changing a fixture; libFuzzer grows its own working corpus
in the build folder and never writes here.
"""
import pathlib
import shutil


def gbk(text):
    return text.encode("gbk")


def seed(*parts, flags=b""):
    return flags + b"\0".join(p if isinstance(p, bytes) else p.encode() for p in parts)


def record(name, artist, length, flac, sq, hq, lq):
    return (b'{"SongId":1,"SongName":"' + name + b'","Artist":"' + artist +
            b'","Album":"x","Length":"' + length + b'","FlacUrl":"' + flac +
            b'","SqUrl":"' + sq + b'","HqUrl":"' + hq + b'","LqUrl":"' + lq + b'"}')


def answer(*records):
    return b'{"code":200,"data":{"list":[' + b",".join(records) + b"]}}"


ONE = record(gbk("北岸的灯"), gbk("林沐川"), b"04:12", b"http://h/1/f", b"http://h/1/s",
             b"http://h/1/h", b"http://h/1/l")
TWO = record(gbk("慢车"), gbk("周一禾"), b"03:51", b"", b"http://h/2/s", b"http://h/2/h", b"")
THREE = record(gbk("归途"), gbk("许南风"), b"04:15", b"f3", b"s3", b"h3", b"l3")
TIDY = record(b"a?b??", b"x;y;z", b"1", b"f", b"s", b"h", b"l")
ESCAPED = record(b'say \\"hi\\"', b"a", b"\\u6797", b"http:\\/\\/h\\/f", b"s", b"h", b"l")

HEADERS = [
    b"HTTP/1.1 200 OK\r\n\r\n",
    b"HTTP/1.0 404 Not Found\r\nA: b\r\n\r\n",
    b"HTTP/1.1 \r\n\r\n",
    b"HTTP/1.1 200 OK\r\nSet-Cookie: a=1; Path=/\r\nset-cookie: b=2\r\n\r\n",
    b"HTTP/1.1 200 OK\r\nX-Set-Cookie-Id: 5\r\n\r\n",
    b"HTTP/1.1 200 OK\r\nSet-Cookie: a=1;\r\nX-Set-Cookie-Id: 5; y\r\nSet-Cookie: c=3\r\n\r\n",
    b"HTTP/1.1 302 Found\r\nLOCATION: /next\r\nContent-Location: /x\r\nLocation:/y\r\n\r\n",
    b"HTTP/1.1 302 Found\r\nLocation: /a\r\nlocation: /b\r\n\r\n",
    b"HTTP/1.1 200 OK\r\nSet-Cookie: b=3\r\nSet-Cookie: c=4\r\n\r\n",
    b"HTTP/1.1 200 OK\r\nSet-Cookie: a=deleted; Max-Age=0\r\n\r\n",
]

PAGES = [
    b'{"code":200,"data":{"list":[]}}',
    b"<html><head><meta charset='utf-8'></head><body>" + "你好".encode("utf-8") + b"</body>",
    b"<meta http-equiv='Content-Type' content='text/html; charset=gb2312'>" + gbk("你好"),
    b"<meta http-equiv='Content-Type' content='text/html; charset=GB2312'>" + gbk("你好"),
    b"<META CONTENT='text/html; CHARSET=UTF-8'>" + "中文".encode("utf-8"),
    b'<meta charset="big5">' + "中文".encode("big5"),
    b"<meta\ncharset=utf-8>",
    b"<meta charset='utf-16le'>\xff\xfeA\x00",
    b"<meta charset='utf-8'>a\x00b",
]

CORPORA = {
    "text_find_fuzzer": [
        seed("c", "abcabc", flags=b"\x02\x04"),
        seed("", "abc", flags=b"\x02\x02"),
        seed("User-Agent: ", "User-agent: x", flags=b"\x01\x00"),
        seed(b"A", b"\xb0A", flags=b"\x00\x00"),
        seed(b"\xb0", b"ab\xb0", flags=b"\x00\x00"),
        seed(b"\xc4A", b"\xc4a", flags=b"\x01\x00"),
        seed(b"A", b"a\xb0A", flags=b"\x02\x03"),
        seed("ab", "aAb;ab \xa1", flags=b"\x05\x00"),
    ],
    "text_replace_fuzzer": [
        seed("X", "-", "aXbXc", flags=b"\x01\x00\x00"),
        seed("X", "-", "aXbXc", flags=b"\x05\x00\x01"),
        seed("aa", "a", "aaaa", flags=b"\x01\x00\x00"),
        seed("a", "b", "xAx", flags=b"\x00\x00\x00"),
        seed("X", "-", "aXbXc", flags=b"\x03\x03\x00"),
        seed(b"x", b"-", b"ab\xb0", flags=b"\x01\x00\x00"),
        seed(b"A", b"-", b"\xb0AA", flags=b"\x01\x00\x00"),
        seed("?", " ", "a?b??", flags=b"\x00\x00\x00"),
        seed(";", "、".encode("gbk"), "x;y;z", flags=b"\x00\x00\x00"),
    ],
    "text_split_fuzzer": [
        seed(";", "a;;b;", flags=b"\x00\x00"),
        seed(";", ";a", flags=b"\x00\x00"),
        seed(";", "a;b;c", flags=b"\x01\x02"),
        seed("<>", "a<>b<>", flags=b"\x00\x00"),
        seed(b";", b"\xb0;a;b", flags=b"\x00\x00"),
        seed(b"\r\n", HEADERS[3], flags=b"\x00\x00"),
        seed(b"; ", b"a=1; b=2; a=1", flags=b"\x00\x00"),
        seed("", "a,b", flags=b"\x02\x00"),
    ],
    "text_trim_fuzzer": [
        seed(b" \xa1\xa1x y\t", flags=b"\x00"),
        seed(b"x \xa1\xa1", flags=b"\x00"),
        seed(b"x \xb0", flags=b"\x00"),
        seed(b"x\xb0\xa1\xa1", flags=b"\x00"),
        seed(b"\xb0 x", flags=b"\x00"),
        seed(b"  \xa1\xa1 ", flags=b"\x00"),
    ],
    "text_compare_fuzzer": [
        seed("LOCATION: ", "Location: ", flags=b"\x00"),
        seed(gbk("ａｂｃ"), gbk("ＡＢＣ"), flags=b"\x00"),
        seed(gbk("дом"), gbk("ДОМ"), flags=b"\x00"),
        seed(gbk("ā"), "Ā".encode("utf-8"), flags=b"\x00"),
        seed(b"\xb0a", b"\xb0A", flags=b"\x00"),
        seed(b"a\xb0", b"A\xb0", flags=b"\x00"),
        seed(gbk("x ａ你好"), b"", flags=b"\x02"),
    ],
    "codepage_fuzzer": [
        b"\x00" + gbk("你好"),
        b"\x01" + "你好".encode("utf-8") + "한".encode("utf-8"),
        b"\x02" + b"A\x00B\x00\x00\x00C\x00",
        b"\x03" + b"a" * 40 + b"\x81" + b"b" * 20 + b"\xff\x80",
        b"\x04" + "e\u0301 a\u0300".encode("utf-16-le"),
        b"\x05" + gbk("林沐川 A1 北岸的灯"),
        b"\x06" + b"\xed\xa0\x80\xf0\x9f\x98\x80",
    ],
    "url_encode_fuzzer": [
        seed("ab", flags=b"\x02"),
        seed(gbk("你好"), flags=b"\x02"),
        seed(gbk("你好"), flags=b"\x00"),
        seed("a b/c", flags=b"\x01"),
        seed("A-1.z_~", flags=b"\x01"),
        seed("\t", flags=b"\x00"),
        seed(gbk("林沐川 A1"), flags=b"\x03"),
    ],
    "regex_song_fuzzer": [
        answer(ONE, TWO, THREE),
        answer(TIDY, ESCAPED),
        answer(ONE.replace(b'"Length"', b'"Len"'), TWO),
        answer(ONE.replace(b'","HqUrl"', b'", "HqUrl"')),
        answer(ONE.lower()),
        b'{"SongName":"only a name"}',
    ],
    "regex_charset_fuzzer": PAGES,
    "response_headers_fuzzer": [seed(b"", h, flags=b"\x00") for h in HEADERS[:6]] + [
        seed(b"a=1; b=2", HEADERS[8], flags=b"\x01"),
        seed(b"a=1; b=2", HEADERS[9], flags=b"\x01"),
        seed(b"a=1;  a=2; z=deleted", HEADERS[0], flags=b"\x01"),
        seed(b"", HEADERS[6], flags=b"\x00"),
        seed(b"", HEADERS[7], flags=b"\x00"),
        b"\x03x=1\x00" + HEADERS[3].decode().encode("utf-16-le"),
    ],
    "cookies_fuzzer": [
        seed("a=1; b=2", "b=3; c=4", flags=b"\x00"),
        seed("a=1; b=2", "a=deleted", flags=b"\x00"),
        seed("", "x=1; x=1", flags=b"\x00"),
        seed("", "x=1; x=2", flags=b"\x00"),
        seed("a=hello world", "", flags=b"\x00"),
        seed("a=1; b=deleted; a=2; c=3", "", flags=b"\x00"),
        seed(b"a=1;\xa1\xa1b=2", b"", flags=b"\x00"),
        seed(bytes([0, 2, 1, 4, 10, 1, 2, 3]), bytes([1, 2, 6, 10, 0, 2, 1]), flags=b"\x01"),
    ],
    "fill_result_list_fuzzer": [
        answer(ONE, TWO, THREE),
        answer(TIDY, ESCAPED),
        answer(ONE.replace(b'"Length"', b'"Len"'), TWO),
        answer(),
        b"<html>502 Bad Gateway</html>",
    ],
}


def main():
    root = pathlib.Path(__file__).resolve().parent / "corpus"
    for target, seeds in CORPORA.items():
        folder = root / target
        shutil.rmtree(folder, ignore_errors=True)
        folder.mkdir(parents=True)
        for number, data in enumerate(seeds, 1):
            (folder / f"seed{number:02d}").write_bytes(data)


if __name__ == "__main__":
    main()
