#!/usr/bin/env python3
"""Doxygen input filter: reads the project's plain // comments as documentation.

The headers keep one comment style, // comments, so a reader of the code sees
the text the reference shows. Line for line (Doxygen's line numbers stay
right), the filter marks:

- the comment below "#pragma once" as the file's documentation;
- a comment directly above declarations (no blank line between) as the
  documentation of every declaration up to the next blank line, comment,
  access specifier or closing brace: one comment may serve a run of
  overloads or accessors;
- a "// --- title ---" line directly above declarations the same way;
- a comment at the end of a declaration's line (and the comment lines lined
  up below it) as that declaration's documentation.

A comment after a blank line is a remark, and comments inside function
bodies stay comments.
"""

import re
import sys

SEPARATOR = re.compile(r"^(\s*)// -{3}\s*(.*?)\s*-*\s*$")
FULL_COMMENT = re.compile(r"^(\s*)//(?![/!])(.*)$")
ACCESS = re.compile(r"^\s*(public|protected|private)\s*:")
# String literals are blanked before this is matched: extern "C" reads extern " ".
DECLARATION_SCOPE = re.compile(r'\b(namespace|class|struct|union|enum)\b|^\s*extern\s+"')
STRING = re.compile(r'"(?:\\.|[^"\\])*"' + r"|'(?:\\.|[^'\\])*'")

# Placeholders such as <folder> are text, not HTML tags.
PLACEHOLDER = re.compile(r"<([A-Za-z][\w-]*)>")
SCOPE_START = re.compile(r"^\s*(template\s*<.*>\s*)?(class|struct|union|enum|namespace)\b")
OWN_DOCUMENTATION = re.compile(r"~\w+\s*\(|=\s*delete\s*;")
MEMBER_AFTER_BRACE = re.compile(r"^\s*}\s*\w+\s*;")
OPEN_GROUP = "/**@{*/ "
CLOSE_GROUP = "/**@}*/ "


def code_part(line):
    """The line with string literals blanked and without a trailing //
    comment, and the column of that comment (-1 without one)."""
    blanked = STRING.sub(lambda m: '"' + " " * (len(m.group(0)) - 2) + '"', line)
    column = blanked.find("//")
    return (blanked[:column], column) if column >= 0 else (blanked, -1)


def scope_of_lines(lines):
    """For each line: (in declarations, depth) before the line is read.
    Declaration scopes are namespaces, classes and enums; bodies are
    functions and initialisers."""
    stack, statement, result = [], "", []
    for line in lines:
        result.append((all(kind == "declarations" for kind in stack), len(stack)))
        code, _ = code_part(line)
        if code.lstrip().startswith("#") or FULL_COMMENT.match(line):
            continue
        for char in code:
            if char == "{":
                stack.append("declarations" if DECLARATION_SCOPE.search(statement) else "body")
                statement = ""
            elif char == "}":
                if stack:
                    stack.pop()
                statement = ""
            elif char == ";":
                statement = ""
            else:
                statement += char
        statement += " "
    result.append((True, 0))
    return result


def doc_text(text):
    return PLACEHOLDER.sub(r"\\<\1\\>", text)


def is_comment(line):
    return bool(FULL_COMMENT.match(line))


def starts_declaration(line):
    stripped = line.strip()
    if stripped.startswith("#define"):
        return True
    return bool(stripped) and not stripped.startswith(("#", "}")) and not ACCESS.match(line) \
        and not is_comment(line)


def documents_one(line):
    """A macro, or a class, enum or namespace definition: the comment is
    its own, not a group's."""
    code, _ = code_part(line)
    return code.strip().startswith("#define") or (
        bool(SCOPE_START.match(code)) and not code.rstrip().endswith(";"))


def declaration_text(lines, index):
    """The code of the declaration that starts at index (up to its ';' or
    its body's brace)."""
    text = ""
    for line in lines[index:index + 12]:
        code = code_part(line)[0].strip()
        text += " " + code
        if code.endswith((";", "{", "}")):
            break
    return text


def starts_statement(lines, index):
    previous = code_part(lines[index - 1])[0].strip()
    return not previous or previous.endswith((";", "{", "}", ":"))


def run_end(lines, scopes, first, depth):
    """Index of the line that ends the run of declarations starting at first.
    A destructor, a deleted member or (in a run that does not start with one)
    an override ends it too: they have their own or their base's
    documentation, not the run's."""
    overrides = "override" in declaration_text(lines, first)
    index = first
    while index < len(lines):
        in_declarations, line_depth = scopes[index]
        line = lines[index]
        if line_depth < depth:
            return index
        if in_declarations and line_depth == depth and index > first:
            if not line.strip() or is_comment(line) or ACCESS.match(line) or line.strip().startswith("}"):
                return index
            if starts_statement(lines, index):
                text = declaration_text(lines, index)
                if OWN_DOCUMENTATION.search(text) or ("override" in text and not overrides):
                    return index
        index += 1
    return index


def filter_lines(lines):
    scopes = scope_of_lines(lines)
    out = list(lines)
    close_before = set()
    index = 0
    if len(lines) > 1 and lines[0].strip() == "#pragma once" and is_comment(lines[1]):
        out[0] = "//! \\file"
        index = 1
        while index < len(lines) and is_comment(lines[index]):
            match = FULL_COMMENT.match(lines[index])
            out[index] = match.group(1) + "//!" + doc_text(match.group(2))
            index += 1
    trailing_column = -1
    while index < len(lines):
        line = lines[index]
        in_declarations, depth = scopes[index]
        prefix = CLOSE_GROUP if index in close_before else ""
        if not in_declarations:
            trailing_column = -1
            index += 1
            continue
        full = FULL_COMMENT.match(line)
        if full and trailing_column >= 0 and len(full.group(1)) == trailing_column:
            out[index] = prefix + full.group(1) + "///<" + doc_text(full.group(2))
            index += 1
            continue
        trailing_column = -1
        if full:
            # A comment block (or a separator line) directly above declarations.
            last = index
            separator = SEPARATOR.match(line)
            if not separator:
                while last + 1 < len(lines) and is_comment(lines[last + 1]) \
                        and not SEPARATOR.match(lines[last + 1]):
                    last += 1
            following = last + 1
            if following < len(lines) and starts_declaration(lines[following]):
                group = not documents_one(lines[following])
                if group:
                    close_before.add(run_end(lines, scopes, following, depth))
                texts = []
                for doc in range(index, last + 1):
                    match = FULL_COMMENT.match(lines[doc])
                    text = " " + separator.group(2).rstrip("-").strip() if separator else match.group(2)
                    texts.append((match.group(1), doc_text(text).replace("*/", "* /")))
                # A /** */ block, so that the group marker may share its line.
                for number, (indent, text) in enumerate(texts):
                    opener = prefix + (OPEN_GROUP if group else "") + "/**" if number == 0 else "   "
                    closer = " */" if number == len(texts) - 1 else ""
                    out[index + number] = indent + opener + text + closer
                index = following
                continue
            out[index] = prefix + line
            index += 1
            continue
        code, column = code_part(line)
        # A closing brace takes a trailing comment only when it declares a
        # member ("} Current; // ...").
        closes = code.lstrip().startswith("}") and not MEMBER_AFTER_BRACE.match(code)
        if column >= 0 and code.strip() and not code.lstrip().startswith("#") and not closes:
            comment = line[column + 2:]
            if not comment.startswith(("/", "!")):
                line = line[:column] + "///<" + doc_text(comment)
                trailing_column = column
        out[index] = prefix + line
        index += 1
    if len(lines) in close_before:
        out.append(CLOSE_GROUP)
    return out


def main():
    with open(sys.argv[1], encoding="utf-8") as source:
        lines = source.read().split("\n")
    sys.stdout.write("\n".join(filter_lines(lines)))


if __name__ == "__main__":
    main()
