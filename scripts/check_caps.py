#!/usr/bin/env python3
"""Fails when the house's size caps or comment rules are broken in src/,
tests/, bench/ or fuzz/:

  lines    a source file (.h .hpp .c .cc .cpp, and the .sh and .py scripts
           beside them; fuzz corpora are data and are skipped) longer than
           900 lines;
  methods  a class or struct with more than 50 member functions declared in
           its body (headers and sources alike);
  steps    a comment that points at a numbered step ("// Step 3.",
           "// Steps 2 and 3: ...", "/// ... step 4 of ..."): say what the
           step does instead. Text in string literals is not a comment;
  ids      a comment that names a command or private event by its number
           where a constant has that number (ID_... or WM_... defined as
           "inline constexpr int NAME = 32797;" in a header of src/): use
           the name. The comment beside a constant's own definition may
           give its number.

What counts as a member function, per class body (nested classes are counted
as classes of their own, not as members of the one around them):
  counted      every declaration or inline definition of a constructor,
               destructor, operator or method, Qt signals and slots included,
               each overload once, "= default" included;
  not counted  "= delete" declarations, friend declarations, data members
               (std::function and function-pointer members included), using
               and typedef lines, macros such as Q_OBJECT or Q_PROPERTY(...).

Prints one line per problem, "path:line: what", and exits 1 when there is any.

    scripts/check_caps.py [--max-lines N] [--max-methods N] [root]

root defaults to the top of this tree; the limits default to 900 and 50.
"""

import argparse
import os
import re
import sys

TREES = ("src", "tests", "bench", "fuzz")
CPP_SUFFIXES = (".h", ".hpp", ".c", ".cc", ".cpp")
SCRIPT_SUFFIXES = (".sh", ".py")
SKIPPED_DIRS = {"corpus"}

STEP = re.compile(r"(?i)\bsteps?\s+\d")
ID_DEFINITION = re.compile(r"\b((?:ID|WM)_[A-Z0-9_]+)\s*=\s*(\d+)\s*;")
ID_DEFINITION_LINE = re.compile(r"\bconstexpr\s+int\s+(?:ID|WM)_[A-Z0-9_]+\s*=")
NUMBER = re.compile(r"(?<![\w.])(\d{4,6})(?![\w])")


def sources(root):
    for tree in TREES:
        top = os.path.join(root, tree)
        for dirpath, dirnames, names in os.walk(top):
            dirnames[:] = sorted(d for d in dirnames if d not in SKIPPED_DIRS)
            for name in sorted(names):
                if name.endswith(CPP_SUFFIXES + SCRIPT_SUFFIXES):
                    path = os.path.join(dirpath, name)
                    yield path, os.path.relpath(path, root).replace(os.sep, "/")


def split_cpp(text):
    """(code, comments): code has comments and literals blanked to spaces,
    newlines kept, so offsets and line numbers stay; comments lists
    (offset, comment text)."""
    code = list(text)
    comments = []
    i, n = 0, len(text)

    def blank(start, end):
        for k in range(start, end):
            if code[k] != "\n":
                code[k] = " "

    while i < n:
        c = text[i]
        if text.startswith("//", i):
            end = text.find("\n", i)
            end = n if end < 0 else end
            comments.append((i, text[i:end]))
            blank(i, end)
            i = end
        elif text.startswith("/*", i):
            end = text.find("*/", i + 2)
            end = n if end < 0 else end + 2
            comments.append((i, text[i:end]))
            blank(i, end)
            i = end
        elif c == "R" and text.startswith('R"', i) and (i == 0 or not (text[i - 1].isalnum() or text[i - 1] == "_")):
            open_paren = text.find("(", i + 2)
            delimiter = text[i + 2 : open_paren]
            end = text.find(")" + delimiter + '"', open_paren)
            end = n if end < 0 else end + len(delimiter) + 2
            blank(i, end)
            i = end
        elif c in "\"'":
            # A digit separator (1'000) is no character literal.
            if c == "'" and i > 0 and text[i - 1].isalnum() and i + 1 < n and text[i + 1].isalnum() and text[i - 1].isdigit():
                i += 1
                continue
            j = i + 1
            while j < n and text[j] != c and text[j] != "\n":
                j += 2 if text[j] == "\\" else 1
            blank(i + 1, min(j, n))
            i = j + 1
        else:
            i += 1
    return "".join(code), comments


def script_comments(text):
    """(offset, text) of each # comment of a shell or Python script; a # inside
    quotes is left alone (good enough for the scripts here)."""
    out = []
    offset = 0
    for line in text.splitlines(keepends=True):
        quote = None
        for k, ch in enumerate(line):
            if quote:
                if ch == quote:
                    quote = None
            elif ch in "\"'":
                quote = ch
            elif ch == "#" and (k == 0 or line[k - 1] in " \t;"):
                out.append((offset + k, line[k:].rstrip("\n")))
                break
        offset += len(line)
    return out


def line_of(text, offset):
    return text.count("\n", 0, offset) + 1


# Member-function counting. `code` is the text with comments and literals
# blanked (split_cpp).

CLASS_HEAD = re.compile(r"\b(class|struct|union)\s+(?:\[\[[^\]]*\]\]\s*)?(?:[A-Z][A-Z0-9_]*\s+)?(\w+)\s*(?:final\s*)?(:[^;{}()]*)?\{")
ACCESS = re.compile(r"\b(?:public|protected|private|signals|Q_SIGNALS)\s*(?:slots\b|Q_SLOTS\b)?\s*:(?!:)")
MACRO = re.compile(r"\bQ_[A-Z_]+\b")
NOT_FUNCTION_START = re.compile(r"^(?:friend|using|typedef|static_assert|class|struct|enum|union|namespace)\b")
NOT_CALLEE = {"decltype", "alignas", "sizeof", "noexcept", "__attribute__", "alignof", "requires", "throw"}


def matching_brace(code, open_at):
    depth = 0
    for k in range(open_at, len(code)):
        if code[k] == "{":
            depth += 1
        elif code[k] == "}":
            depth -= 1
            if depth == 0:
                return k
    return len(code) - 1


def strip_macros(statement):
    """Takes Q_ macros out, with their argument lists."""
    out = []
    i = 0
    while True:
        m = MACRO.search(statement, i)
        if not m:
            out.append(statement[i:])
            return "".join(out)
        out.append(statement[i : m.start()])
        j = m.end()
        while j < len(statement) and statement[j].isspace():
            j += 1
        if j < len(statement) and statement[j] == "(":
            depth = 0
            while j < len(statement):
                depth += statement[j] == "("
                depth -= statement[j] == ")"
                j += 1
                if depth == 0:
                    break
            i = j
        else:
            i = m.end()


def declares_function(statement):
    s = strip_macros(statement).strip()
    s = re.sub(r"^(?:\[\[[^\]]*\]\]\s*)+", "", s)
    if s.startswith("template"):
        # template <...> prefix: drop the balanced angle brackets.
        depth, k = 0, s.find("<")
        while 0 <= k < len(s):
            depth += s[k] == "<"
            depth -= s[k] == ">"
            k += 1
            if depth == 0:
                break
        s = s[k:].strip()
    if not s or NOT_FUNCTION_START.match(s):
        return False
    if re.search(r"=\s*delete\s*$", s):
        return False
    first_paren = s.find("(")
    if first_paren >= 0 and re.search(r"\boperator\b", s[:first_paren]):
        return True
    angle = paren = 0
    for k, ch in enumerate(s):
        if ch == "<":
            angle += 1
        elif ch == ">" and angle:
            angle -= 1
        elif ch == "=" and angle == 0:
            return False  # an initialised data member
        elif ch == "(" and angle == 0:
            before = s[:k].rstrip()
            callee = re.search(r"(~?\w+)$", before)
            if not callee or callee.group(1) in NOT_CALLEE:
                return False
            if re.match(r"\(\s*[*&]", s[k:]):
                return False  # a pointer-to-function member
            # A bare macro call standing alone (all capitals, nothing before).
            if before == callee.group(1) and re.fullmatch(r"[A-Z][A-Z0-9_]*", before):
                return False
            return True
    return False


def count_methods(code, body_open, body_close):
    """Member functions declared between the braces of one class body."""
    count = 0
    statement = []
    k = body_open + 1
    body = code
    while k < body_close:
        ch = body[k]
        if ch == "{":
            end = matching_brace(body, k)
            text = "".join(statement)
            head = ACCESS.sub(" ", text)
            if declares_function(head):
                count += 1
                statement = []
                k = end + 1
                # A definition may be followed by a stray ';'.
                while k < body_close and body[k] in " \t\n;":
                    k += 1
                continue
            # A nested class, an enum or a brace initialiser: part of the
            # statement, which ends at its ';'.
            statement.append(" {} ")
            k = end + 1
            continue
        if ch == ";":
            head = ACCESS.sub(" ", "".join(statement))
            if declares_function(head):
                count += 1
            statement = []
        elif ch == ":" and ACCESS.search("".join(statement[-20:]) + ":"):
            statement = []
        else:
            statement.append(ch)
        k += 1
    return count


def classes(code):
    """(name, offset of the head, count) of every class body in `code`."""
    out = []
    for m in CLASS_HEAD.finditer(code):
        before = code[max(0, m.start() - 12) : m.start()]
        if re.search(r"\benum\s*$", before):
            continue
        open_at = m.end() - 1
        close_at = matching_brace(code, open_at)
        out.append((m.group(2), m.start(), count_methods(code, open_at, close_at)))
    return out


def command_numbers(root):
    """{number: names} of the ID_ and WM_ constants the headers of src/ define."""
    numbers = {}
    for path, rel in sources(root):
        if rel.startswith("src/") and rel.endswith((".h", ".hpp")):
            with open(path, encoding="utf-8", errors="replace") as f:
                code, _ = split_cpp(f.read())
            for name, number in ID_DEFINITION.findall(code):
                if name not in numbers.setdefault(number, []):
                    numbers[number].append(name)
    return numbers


def check(root, max_lines, max_methods):
    problems = []
    files = 0
    numbers = command_numbers(root)
    for path, rel in sources(root):
        files += 1
        with open(path, encoding="utf-8", errors="replace") as f:
            text = f.read()
        lines = text.count("\n") + (0 if text.endswith("\n") or not text else 1)
        if lines > max_lines:
            problems.append(f"{rel}:{lines}: {lines} lines (at most {max_lines})")
        if rel.endswith(CPP_SUFFIXES):
            code, comments = split_cpp(text)
            for name, at, count in classes(code):
                if count > max_methods:
                    problems.append(
                        f"{rel}:{line_of(text, at)}: class {name} has {count} member functions"
                        f" (at most {max_methods})"
                    )
        else:
            comments = script_comments(text)
        lines_of_text = text.split("\n")
        for at, comment in comments:
            first = line_of(text, at)
            for k, line in enumerate(comment.split("\n")):
                if STEP.search(line):
                    problems.append(f"{rel}:{first + k}: numbered step in a comment: {line.strip()}")
                if rel.endswith(SCRIPT_SUFFIXES) or ID_DEFINITION_LINE.search(lines_of_text[first + k - 1]):
                    continue
                for number in NUMBER.findall(line):
                    if number in numbers:
                        problems.append(
                            f"{rel}:{first + k}: command {number} named by number in a comment"
                            f" (use {' or '.join(numbers[number])})"
                        )
    return files, problems


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("root", nargs="?", default=os.path.join(os.path.dirname(os.path.abspath(__file__)), ".."))
    parser.add_argument("--max-lines", type=int, default=900)
    parser.add_argument("--max-methods", type=int, default=50)
    parser.add_argument("--list-classes", action="store_true", help="print every class's count and pass")
    args = parser.parse_args()
    if args.list_classes:
        for path, rel in sources(args.root):
            if rel.endswith(CPP_SUFFIXES):
                with open(path, encoding="utf-8", errors="replace") as f:
                    text = f.read()
                code, _ = split_cpp(text)
                for name, at, count in classes(code):
                    print(f"{count:4d} {rel}:{line_of(text, at)} {name}")
        return 0
    files, problems = check(args.root, args.max_lines, args.max_methods)
    for problem in problems:
        print(problem)
    if problems:
        print(f"{len(problems)} cap problem(s)")
        return 1
    print(f"caps ok: {files} files")
    return 0


if __name__ == "__main__":
    sys.exit(main())
