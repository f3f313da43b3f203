#!/usr/bin/env python3
"""Cases of the documentation filter: which comments become documentation,
and that every output line stays on the line it came from."""

import os
import sys
import unittest

sys.path.insert(0, os.path.join(os.path.dirname(__file__), ".."))
import doxyfilter  # noqa: E402


def run(text):
    lines = text.split("\n")
    out = doxyfilter.filter_lines(lines)
    return lines, out


class FilterTest(unittest.TestCase):
    # (name, source, line index, expected output line)
    CASES = [
        ("file comment", "#pragma once\n// What the file holds.\n\nint a;", 1, "//! What the file holds."),
        ("file marker replaces pragma", "#pragma once\n// What the file holds.\n", 0, "//! \\file"),
        ("comment above a run opens a group",
         "namespace n {\n// Both.\nint a();\nint b();\n\n}", 1, "/**@{*/ /** Both. */"),
        ("the run closes at the blank line",
         "namespace n {\n// Both.\nint a();\nint b();\n\n}", 4, "/**@}*/ "),
        ("multi-line comment is one block",
         "namespace n {\n// One\n// two.\nint a();\nint b();\n}", 2, "    two. */"),
        ("remark after a blank line stays", "namespace n {\n// A remark.\n\nint a();\n}", 1, "// A remark."),
        ("trailing comment documents its member",
         "struct S {\n    int a; // the count\n};", 1, "    int a; ///< the count"),
        ("closing brace comment stays", "namespace n {\nint a;\n} // namespace n", 2, "} // namespace n"),
        ("member after a closing brace takes it",
         "struct S {\n    struct T {\n        int x; // x\n    } t; // the t\n};", 3, "    } t; ///< the t"),
        ("comment in a function body stays",
         "inline int f()\n{\n    // Inside.\n    return 1;\n}", 2, "    // Inside."),
        ("class comment documents the class alone",
         "// A class.\nclass C {\npublic:\n    int a();\n};", 0, "/** A class. */"),
        ("macro comment documents the macro", "// Makes it.\n#define MAKE(x) x", 0, "/** Makes it. */"),
        ("separator titles the run",
         "struct S {\n    // --- queries ---\n    int a();\n    int b();\n};", 1, "    /**@{*/ /** queries */"),
        ("destructor ends the run",
         "struct S {\n    // Makes one.\n    S();\n    ~S();\n};", 3, "/**@}*/     ~S();"),
        ("an override ends a run of plain members",
         "struct S : B {\n    // Own.\n    int a();\n    int b() override;\n};", 3, "/**@}*/     int b() override;"),
        ("a continuation line is not a new declaration",
         "struct S : B {\n    // Own.\n    int a(int x,\n        int y) override;\n    int c() override;\n};", 3,
         "        int y) override;"),
        ("extern C block holds declarations",
         'extern "C" {\n// The entry.\nvoid f();\nvoid g();\n}', 1, "/**@{*/ /** The entry. */"),
        ("a placeholder is no HTML tag", "namespace n {\n// In <folder>.\nint a;\n}", 1, "/**@{*/ /** In \\<folder\\>. */"),
    ]

    def test_cases(self):
        for name, source, index, expected in self.CASES:
            with self.subTest(name):
                _, out = run(source)
                self.assertEqual(out[index], expected)

    def test_line_numbers_are_kept(self):
        for name, source, _, _ in self.CASES:
            with self.subTest(name):
                lines, out = run(source)
                # A run that lasts to the end may close on one extra line.
                self.assertIn(len(out), (len(lines), len(lines) + 1))

    def test_every_public_header_keeps_its_lines(self):
        root = os.path.join(os.path.dirname(__file__), "..", "..")
        checked = 0
        for folder, _, files in os.walk(root):
            if "/include/" not in folder + "/" or "/build" in folder:
                continue
            for name in files:
                if name.endswith(".h"):
                    with open(os.path.join(folder, name), encoding="utf-8") as header:
                        lines = header.read().split("\n")
                    out = doxyfilter.filter_lines(lines)
                    self.assertIn(len(out), (len(lines), len(lines) + 1), name)
                    checked += 1
        self.assertGreater(checked, 0)


if __name__ == "__main__":
    unittest.main()
