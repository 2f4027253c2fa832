#!/usr/bin/env python3
"""The cap check on planted trees: what it must flag, and what it must let
through (a check that cries wolf gets switched off)."""

import os
import subprocess
import sys
import tempfile
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
SCRIPT = os.path.join(HERE, "..", "..", "scripts", "check_caps.py")
sys.path.insert(0, os.path.dirname(SCRIPT))

import check_caps  # noqa: E402

# The planted markers are made from the word, so that this file holds none.
STEP = "Step"


def methods_of(body, name="C"):
    code, _ = check_caps.split_cpp(body)
    return {n: count for n, _, count in check_caps.classes(code)}.get(name)


class Tree:
    def __init__(self):
        self.dir = tempfile.TemporaryDirectory()
        self.root = self.dir.name

    def write(self, rel, text):
        path = os.path.join(self.root, rel)
        os.makedirs(os.path.dirname(path), exist_ok=True)
        with open(path, "w") as f:
            f.write(text)

    def run(self, *args):
        return subprocess.run(
            [sys.executable, SCRIPT, *args, self.root], capture_output=True, text=True
        )


class CapsCase(unittest.TestCase):
    def tree(self):
        tree = Tree()
        self.addCleanup(tree.dir.cleanup)
        return tree


class LinesTest(CapsCase):
    def test_the_cap_is_inclusive_and_every_tree_is_read(self):
        tree = self.tree()
        tree.write("src/a/Fits.cpp", "int x;\n" * 900)
        tree.write("tests/a/Long.cpp", "int x;\n" * 901)
        tree.write("bench/long.sh", "true\n" * 950)
        tree.write("fuzz/Long.h", "// x\n" * 901 + "int y;")  # no final newline
        tree.write("fuzz/corpus/seed/big.cpp", "x\n" * 5000)  # data, not source
        tree.write("src/res/big.txt", "x\n" * 5000)  # not a source file
        result = tree.run()
        self.assertEqual(result.returncode, 1)
        self.assertNotIn("Fits.cpp", result.stdout)
        self.assertIn("tests/a/Long.cpp:901: 901 lines", result.stdout)
        self.assertIn("bench/long.sh:950: 950 lines", result.stdout)
        self.assertIn("fuzz/Long.h:902: 902 lines", result.stdout)
        self.assertNotIn("corpus", result.stdout)
        self.assertNotIn("big.txt", result.stdout)

    def test_a_clean_tree_passes_and_limits_can_be_given(self):
        tree = self.tree()
        tree.write("src/a/A.cpp", "int x;\n" * 20)
        self.assertEqual(tree.run().returncode, 0)
        self.assertEqual(tree.run("--max-lines", "10").returncode, 1)


class StepTest(CapsCase):
    def test_numbered_steps_in_comments_are_flagged_in_every_form(self):
        tree = self.tree()
        tree.write(
            "src/a/A.cpp",
            "\n".join(
                [
                    "void f() {",
                    f"    // {STEP} 1.",  # 2
                    f"    //{STEP} 2",  # 3
                    f"    // {STEP}s 2 and 3: the folder.",  # 4
                    f"    /// Valid from {STEP.lower()} 5 of start-up on.",  # 5
                    f"    int a; /* {STEP.lower()} 6 */",  # 6
                    "    /* one",
                    f"       {STEP} 7. */",  # 8
                    "}",
                    "",
                ]
            ),
        )
        tree.write("tests/e2e/x.sh", f"echo hi  # {STEP} 4.\n")
        result = tree.run()
        self.assertEqual(result.returncode, 1)
        for line in (2, 3, 4, 5, 6, 8):
            self.assertIn(f"src/a/A.cpp:{line}: numbered step", result.stdout)
        self.assertIn("tests/e2e/x.sh:1: numbered step", result.stdout)
        self.assertEqual(result.stdout.count("numbered step"), 7)

    def test_program_texts_and_plain_words_are_not_comments_to_flag(self):
        tree = self.tree()
        tree.write(
            "src/a/A.cpp",
            "\n".join(
                [
                    f'const char* a = "{STEP} 1: read the documentation";',
                    f'const char* b = "// {STEP} 2.";',
                    f'const char* c = R"(// {STEP} 3.)";',
                    "char d = '\"'; // one step at a time, steps of 1024 bytes",
                    "int e = 1'000; // Stepper ticks",
                    "",
                ]
            ),
        )
        tree.write("tests/e2e/x.sh", f'echo "# {STEP} 4."\n')
        result = tree.run()
        self.assertEqual(result.returncode, 0, result.stdout)


class MethodsTest(CapsCase):
    def test_what_is_counted(self):
        body = """
        class C : public QObject, private Base<int> {
            Q_OBJECT
            Q_PROPERTY(int value READ Value WRITE SetValue)
        public:
            explicit C(QObject* parent = nullptr);
            ~C() override;
            C(const C&) = delete;
            C& operator=(const C&) = delete;
            bool operator==(const C& other) const = default;
            int Value() const { return m_value; }
            void SetValue(int v) { if (v) { m_value = v; } };
            template <typename T> T As() const;
            [[nodiscard]] Q_INVOKABLE int Twice(int x = f(1)) const;
            void Overload(int);
            void Overload(double);
        signals:
            void Changed(int value);
        public slots:
            void Reset();
        private:
            friend class Other;
            friend bool operator<(const C&, const C&);
            using Base::Base;
            typedef int Number;
            enum class Kind { kA, kB };
            struct Inner { void NotMine(); int y = 0; };
            int m_value = 0;
            int m_braced{3};
            std::function<void(int)> m_callback;
            std::function<void()> m_done = [] {};
            void (*m_pointer)(int) = nullptr;
            decltype(f()) m_typed;
            static constexpr int kSize = sizeof(int);
            std::vector<std::pair<int, int>> m_pairs{{1, 2}};
        };
        """
        # C, ~C, operator==, Value, SetValue, As, Twice, 2 x Overload,
        # Changed, Reset.
        self.assertEqual(methods_of(body), 11)
        self.assertEqual(methods_of(body, "Inner"), 1)

    def test_forward_declarations_and_enums_are_no_classes(self):
        code, _ = check_caps.split_cpp("class A;\nenum class E { kX };\nstruct S;\nfriend class F;\n")
        self.assertEqual(check_caps.classes(code), [])

    def test_a_class_over_the_cap_is_flagged_with_its_line(self):
        tree = self.tree()
        many = "\n".join(f"    void M{i}();" for i in range(51))
        tree.write("src/a/Big.h", f"#pragma once\n\nclass Big {{\npublic:\n{many}\n}};\n")
        fits = "\n".join(f"    void M{i}() {{}}" for i in range(50))
        tree.write("src/a/Fits.h", f"struct Fits {{\n{fits}\n}};\n")
        result = tree.run()
        self.assertEqual(result.returncode, 1)
        self.assertIn("src/a/Big.h:3: class Big has 51 member functions", result.stdout)
        self.assertNotIn("Fits", result.stdout)


class IdsTest(CapsCase):
    def test_commands_named_by_number_in_comments_are_flagged(self):
        tree = self.tree()
        tree.write(
            "src/shell/Ids.h",
            "\n".join(
                [
                    "inline constexpr int ID_FILE_COPYTO = 32797;  // F5",
                    "inline constexpr int ID_COPY_ALIAS = ID_FILE_COPYTO;  // 32797",
                    "inline constexpr int WM_FOLDER_CHANGED = 32769;",
                    "",
                ]
            ),
        )
        tree.write(
            "src/a/A.cpp",
            "\n".join(
                [
                    "// 32797 copies to the other pane.",  # 1
                    "// ID_FILE_COPYTO copies to the other pane.",
                    'const char* a = "32797";  // a number of 12345 bytes',
                    "int b = 32797;  // the copy command",
                    "/* event 32769 re-reads the folder */",  # 5
                    "// 1.32797 and 32797x are no command numbers",
                    "",
                ]
            ),
        )
        result = tree.run()
        self.assertEqual(result.returncode, 1)
        self.assertIn("src/a/A.cpp:1: command 32797 named by number in a comment (use ID_FILE_COPYTO)", result.stdout)
        self.assertIn("src/a/A.cpp:5: command 32769 named by number in a comment (use WM_FOLDER_CHANGED)", result.stdout)
        self.assertEqual(result.stdout.count("named by number"), 2, result.stdout)


if __name__ == "__main__":
    unittest.main()
