#!/usr/bin/env python3
"""Compares the product trees of two registry exports value by value.

usage: compare_reg.py --codepage N --left A.reg... --right B.reg...

The files of each side are taken together as one registry (no file: an
empty one). Each file is a REGEDIT4 file (8-bit text in the ANSI code page, as the
image file store writes it) or a "Windows Registry Editor Version 5.00"
file in UTF-16LE (as `reg export` writes it). Only the keys of
HKEY_LOCAL_MACHINE\\SOFTWARE\\Kestrum* are compared. Key and value names
compare case-insensitively; types and data bytes must be equal, text data
taken in the ANSI code page. Exit status 0 when equal, 1 with the
differences listed, 2 when a file cannot be read.
"""
import argparse
import sys

ROOT = "HKEY_LOCAL_MACHINE\\SOFTWARE\\"
PRODUCT_PREFIX = ROOT + "KESTRUM"
REG_SZ, REG_EXPAND_SZ, REG_BINARY, REG_DWORD, REG_MULTI_SZ = 1, 2, 3, 4, 7
TEXT_TYPES = (REG_SZ, REG_EXPAND_SZ, REG_MULTI_SZ)


class RegError(Exception):
    pass


def decode_file(raw):
    """The file's lines and whether it is the UTF-16 form."""
    if raw[:2] == b"\xff\xfe":
        return raw[2:].decode("utf-16-le"), True
    return raw.decode("latin-1"), False


def logical_lines(text):
    pending = ""
    number = 0
    for number, line in enumerate(text.replace("\r\n", "\n").replace("\r", "\n").split("\n"), 1):
        if pending:
            line = pending + line.lstrip(" \t")
            pending = ""
        if line.rstrip().endswith("\\") and not line.lstrip().startswith("["):
            pending = line.rstrip()[:-1]
            continue
        yield number, line
    if pending:
        yield number, pending


def unescape(quoted, number):
    out = []
    i = 0
    while i < len(quoted):
        c = quoted[i]
        if c == "\\":
            i += 1
            if i == len(quoted):
                raise RegError(f"line {number}: dangling escape")
            out.append({"\\": "\\", '"': '"', "n": "\n", "r": "\r", "0": "\0"}.get(quoted[i], "\\" + quoted[i]))
        else:
            out.append(c)
        i += 1
    return "".join(out)


def split_name(line, number):
    """(name, rest after '=') of a value line."""
    if line.startswith("@="):
        return "", line[2:]
    if not line.startswith('"'):
        raise RegError(f"line {number}: not a value line: {line!r}")
    i = 1
    while i < len(line):
        if line[i] == "\\":
            i += 2
            continue
        if line[i] == '"':
            break
        i += 1
    if i >= len(line) or line[i + 1: i + 2] != "=":
        raise RegError(f"line {number}: bad value name: {line!r}")
    return unescape(line[1:i], number), line[i + 2:]


def encode_text(text, codepage, number):
    try:
        return text.encode(f"cp{codepage}")
    except UnicodeEncodeError as error:
        raise RegError(f"line {number}: text not in code page {codepage}: {error}")


def parse(path, codepage):
    """{key path upper-cased: (key path, {name upper-cased: (name, type, bytes)})}"""
    with open(path, "rb") as handle:
        text, wide = decode_file(handle.read())
    keys = {}
    current = None
    lines = logical_lines(text)
    header = next(lines, (0, ""))[1].strip()
    if header not in ("REGEDIT4", "Windows Registry Editor Version 5.00"):
        raise RegError(f"{path}: unknown header {header!r}")
    for number, line in lines:
        stripped = line.strip()
        if not stripped or stripped.startswith(";"):
            continue
        if stripped.startswith("["):
            name = stripped[1:stripped.rindex("]")].rstrip("\\")
            if not wide:
                # An 8-bit file holds code-page bytes; take them as such.
                name = name.encode("latin-1").decode(f"cp{codepage}")
            current = None
            if name.upper().startswith(PRODUCT_PREFIX):
                current = keys.setdefault(name.upper(), (name, {}))[1]
            continue
        if current is None:
            continue
        name, data = split_name(stripped, number)
        if not wide:
            name = name.encode("latin-1").decode(f"cp{codepage}")
        if data.startswith('"'):
            body = unescape(data[1:data.rindex('"')], number)
            value_type = REG_SZ
            value = (encode_text(body, codepage, number) if wide else body.encode("latin-1")) + b"\0"
        elif data.startswith("dword:"):
            value_type = REG_DWORD
            value = int(data[6:], 16).to_bytes(4, "little")
        elif data.startswith("hex"):
            if data.startswith("hex:"):
                value_type, digits = REG_BINARY, data[4:]
            else:
                close = data.index("):")
                value_type, digits = int(data[4:close], 16), data[close + 2:]
            value = bytes(int(b, 16) for b in digits.replace(" ", "").split(",") if b)
            if wide and value_type in TEXT_TYPES:
                value = encode_text(value.decode("utf-16-le"), codepage, number)
        else:
            raise RegError(f"line {number}: unknown data {data!r}")
        current[name.upper()] = (name, value_type, value)
    return keys


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--codepage", type=int, default=1252)
    parser.add_argument("--left", nargs="*", default=[])
    parser.add_argument("--right", nargs="*", default=[])
    args = parser.parse_args()
    try:
        left, right = {}, {}
        for side, paths in ((left, args.left), (right, args.right)):
            for path in paths:
                side.update(parse(path, args.codepage))
    except (OSError, RegError, ValueError, UnicodeDecodeError) as error:
        print(f"compare_reg: {error}", file=sys.stderr)
        return 2
    differences = []
    for key in sorted(set(left) | set(right)):
        if key not in right:
            differences.append(f"only left: [{left[key][0]}]")
            continue
        if key not in left:
            differences.append(f"only right: [{right[key][0]}]")
            continue
        lvalues, rvalues = left[key][1], right[key][1]
        for name in sorted(set(lvalues) | set(rvalues)):
            shown = f"[{left[key][0]}] \"{(lvalues.get(name) or rvalues.get(name))[0]}\""
            if name not in rvalues:
                differences.append(f"only left: {shown}")
            elif name not in lvalues:
                differences.append(f"only right: {shown}")
            elif lvalues[name][1:] != rvalues[name][1:]:
                differences.append(f"differs: {shown}: {lvalues[name][1:]} != {rvalues[name][1:]}")
    for line in differences:
        print(line)
    if not differences:
        print(f"equal: {len(left)} keys, {sum(len(v[1]) for v in left.values())} values")
    return 1 if differences else 0


if __name__ == "__main__":
    sys.exit(main())
