#!/usr/bin/env python3
"""Writes the message and error-text files of data/ from texts.py.

    tools/messages/generate.py           write the four files
    tools/messages/generate.py --check   fail when a file differs from what
                                         would be written (for CI)

Message lines: language letter, blank, the number in four digits, three
blanks, the text from column 10; Windows-1252, CR LF. Error-text lines:
class,unit,procedure,message,text, with CR LF; the texts are plain ASCII, so
the file reads the same in the DOS code page the loader expects.
"""

import argparse
import pathlib
import sys

sys.dont_write_bytecode = True  # keep the source folder free of caches

from texts import PROGRAM_ERRORS, PROGRAM_MESSAGES, SHARED_ERRORS, SHARED_MESSAGES  # noqa: E402

ROOT = pathlib.Path(__file__).resolve().parents[2]
DATA = ROOT / "data"

MAX_MESSAGE = 147
MAX_ERROR_TEXT = 99
MAX_NUMBER = 2400
LETTERS = ("D", "E", "S")

SHARED_MSG_HEADER = [
    "; Shared texts: dialogs of the support library and common captions.",
    "; Line: language letter (D German, E English, S Spanish), blank, number, text from column 10.",
]
PROGRAM_MSG_HEADER = [
    "; Korvanix texts: menus, dialogs, questions, status and error messages.",
    "; Line: language letter (D German, E English, S Spanish), blank, number, text from column 10.",
]
SHARED_ERR_HEADER = [
    "; Shared error texts: text and number conversion (1), files (2), record tables (4),",
    "; messages and errors (5).",
    "; class,unit,procedure,message number,technical description,",
]
PROGRAM_ERR_HEADER = [
    "; Korvanix error texts: view (60), project and object-type files (60 61 63),",
    "; configuration (62 74).",
    "; class,unit,procedure,message number,technical description,",
]


class SourceError(Exception):
    pass


def check_messages(name, table):
    seen = set()
    for number, *texts in table:
        if not 1 <= number <= MAX_NUMBER:
            raise SourceError(f"{name}: number {number} outside 1..{MAX_NUMBER}")
        if number in seen:
            raise SourceError(f"{name}: number {number} twice")
        seen.add(number)
        if len(texts) != len(LETTERS):
            raise SourceError(f"{name}: {number} needs one text per language")
        for letter, text in zip(LETTERS, texts):
            where = f"{name}: {letter} {number}"
            if not text.strip():
                raise SourceError(f"{where}: empty text")
            if len(text) > MAX_MESSAGE:
                raise SourceError(f"{where}: {len(text)} characters, at most {MAX_MESSAGE}")
            if "~" in text[:-1]:
                raise SourceError(f"{where}: '~' is only allowed as the last character")
            if text != text.rstrip() or text != text.lstrip():
                raise SourceError(f"{where}: outer blanks would be lost; end with '~'")
            text.encode("cp1252")
    return seen


def check_errors(name, table, message_numbers):
    seen = set()
    for error_class, unit, procedure, message, text in table:
        key = (error_class, unit, procedure)
        if key in seen:
            raise SourceError(f"{name}: {key} twice")
        seen.add(key)
        if not all(0 <= v <= 65535 for v in (error_class, unit, procedure, message)):
            raise SourceError(f"{name}: {key} has a field outside 0..65535")
        if message not in message_numbers:
            raise SourceError(f"{name}: {key} points at message {message}, which has no text")
        if len(text) > MAX_ERROR_TEXT:
            raise SourceError(f"{name}: {key} text longer than {MAX_ERROR_TEXT}")
        if any(c in ",|" or not " " <= c <= "~" for c in text):
            raise SourceError(f"{name}: {key} text must be plain ASCII without ',' and '|'")


def message_file(header, table):
    lines = list(header)
    for number, *texts in sorted(table):
        # German first: English and Spanish lines must come after the line of
        # the language they fall back on, since the later line wins.
        for letter, text in zip(LETTERS, texts):
            lines.append(f"{letter} {number:04d}   {text}")
    return ("\r\n".join(lines) + "\r\n").encode("cp1252")


def error_file(header, table):
    lines = list(header)
    for error_class, unit, procedure, message, text in table:
        lines.append(f"{error_class},{unit},{procedure},{message},{text},")
    return ("\r\n".join(lines) + "\r\n").encode("ascii")


def build():
    shared = check_messages("shared messages", SHARED_MESSAGES)
    program = check_messages("program messages", PROGRAM_MESSAGES)
    both = shared & program
    if both:
        # The program's file is read on top of the shared one and would hide it.
        raise SourceError(f"numbers in both message files: {sorted(both)}")
    check_errors("shared errors", SHARED_ERRORS, shared)
    check_errors("program errors", PROGRAM_ERRORS, program)
    return {
        "ZNB2WIN2.MSG": message_file(SHARED_MSG_HEADER, SHARED_MESSAGES),
        "KX18.MSG": message_file(PROGRAM_MSG_HEADER, PROGRAM_MESSAGES),
        "ZSYSTEM.ERR": error_file(SHARED_ERR_HEADER, SHARED_ERRORS),
        "korvanix.err": error_file(PROGRAM_ERR_HEADER, PROGRAM_ERRORS),
    }


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--check", action="store_true",
                        help="only compare the files in data/ with what would be written")
    args = parser.parse_args()
    try:
        files = build()
    except SourceError as error:
        print(f"texts.py: {error}", file=sys.stderr)
        return 2
    stale = []
    for name, content in files.items():
        path = DATA / name
        if args.check:
            if not path.exists() or path.read_bytes() != content:
                stale.append(name)
        else:
            path.parent.mkdir(parents=True, exist_ok=True)
            path.write_bytes(content)
    if stale:
        print("out of date, run tools/messages/generate.py: " + ", ".join(stale), file=sys.stderr)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
