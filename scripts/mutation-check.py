#!/usr/bin/env python3
"""Mutation check: do the tests notice deliberate one-line faults?

Usage: scripts/mutation-check.py [--faults FILE] [--work DIR] [--only TEXT] [--jobs N]

Copies the tracked files of the clone into a scratch tree (build-mutation/tree by default; kept
between runs so that builds are incremental), builds it once with ccache and checks that the
unit tests pass. Then, for each fault of the list (scripts/mutation-faults.txt), it replaces a
text that must occur exactly once in one file, builds, runs the unit tests (the tests of the
faulty file's folder first, then the rest; the slow end-to-end runs are left out) and puts the
file back; the program's start-up (Program.cpp) has tests of its own, in tests/program. A fault
is KILLED when a test fails, SURVIVED when every test passes, STALE when its text no longer
occurs exactly once (the code moved on: update the list), and BROKEN when the faulty code does
not build (a fault that cannot build tests nothing: fix the list).

Exit status: 0 when every fault is killed or marked as equivalent, 1 otherwise, 2 on set-up
failures (the unfaulted tree does not build or its tests fail).
"""

import argparse
import os
import shutil
import subprocess
import sys
import time

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))


def test_folder(path):
    """The test program that holds the tests of a source file: <folder>_tests for a file of a
    library folder with tests of its own (tests/<folder>), program_tests for the program's own
    files at the top (Program.cpp); None for the rest (tools)."""
    folder = path.split("/")[0] if "/" in path else "program"
    return folder if os.path.isdir(os.path.join(ROOT, "tests", folder)) else None


class Fault:
    def __init__(self, line_number, path, search, replace, equivalent):
        self.line_number = line_number
        self.path = path
        self.search = search
        self.replace = replace
        self.equivalent = equivalent

    def describe(self):
        return "%s: %s => %s" % (self.path, self.search, self.replace)


def read_faults(path):
    """One fault a line: 'file: search => replace'. '#' starts a comment line. A fault that
    the tests cannot notice because it does not change behaviour starts with 'equivalent ';
    the comment above it says why."""
    faults = []
    with open(path, encoding="utf-8") as stream:
        for number, raw in enumerate(stream, 1):
            line = raw.rstrip("\n")
            if not line.strip() or line.lstrip().startswith("#"):
                continue
            equivalent = line.startswith("equivalent ")
            if equivalent:
                line = line[len("equivalent "):]
            target, separator, change = line.partition(": ")
            if not separator or change.count(" =>") != 1:
                sys.exit("%s:%d: expected 'file: search => replace'" % (path, number))
            # An empty replacement deletes the text (the line may end right after "=>").
            search, replace = change.split(" =>")
            replace = replace[1:] if replace.startswith(" ") else replace
            faults.append(Fault(number, target.strip(), search, replace, equivalent))
    return faults


def run(command, cwd, log, timeout=None):
    """Runs a command with its output appended to the log; True when it succeeded."""
    with open(log, "a", encoding="utf-8") as stream:
        stream.write("\n$ %s\n" % " ".join(command))
        stream.flush()
        try:
            result = subprocess.run(command, cwd=cwd, stdout=stream, stderr=subprocess.STDOUT,
                                    timeout=timeout)
        except subprocess.TimeoutExpired:
            stream.write("timed out after %s s\n" % timeout)
            return False
    return result.returncode == 0


def sync_tree(tree):
    """Makes tree hold exactly the clone's tracked files (as they are in the working folder),
    copying only the files that differ so that the build stays incremental."""
    listed = subprocess.run(["git", "ls-files", "-z"], cwd=ROOT, check=True,
                            stdout=subprocess.PIPE).stdout.decode().split("\0")
    files = [name for name in listed if name and os.path.isfile(os.path.join(ROOT, name))]
    manifest = os.path.join(tree, ".mutation-files")
    previous = set()
    if os.path.exists(manifest):
        with open(manifest, encoding="utf-8") as stream:
            previous = set(stream.read().split("\n")) - {""}
    for name in files:
        source = os.path.join(ROOT, name)
        target = os.path.join(tree, name)
        if os.path.exists(target):
            with open(source, "rb") as a, open(target, "rb") as b:
                if a.read() == b.read():
                    continue
        os.makedirs(os.path.dirname(target), exist_ok=True)
        # A fresh modification time: the build must see the file as changed even when the
        # clone's copy is older than the scratch tree's last build.
        shutil.copy(source, target)
    for name in previous - set(files):
        if os.path.exists(os.path.join(tree, name)):
            os.remove(os.path.join(tree, name))
    with open(manifest, "w", encoding="utf-8") as stream:
        stream.write("\n".join(files))


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("--faults", default=os.path.join(ROOT, "scripts", "mutation-faults.txt"))
    parser.add_argument("--work", default=os.path.join(ROOT, "build-mutation"))
    parser.add_argument("--only", default="", help="only the faults whose line contains TEXT")
    parser.add_argument("--jobs", type=int, default=2)
    args = parser.parse_args()

    faults = [f for f in read_faults(args.faults) if args.only in f.describe()]
    tree = os.path.join(args.work, "tree")
    build = os.path.join(tree, "build")
    log = os.path.join(args.work, "mutation.log")
    os.makedirs(tree, exist_ok=True)
    open(log, "w").close()
    sync_tree(tree)

    jobs = str(args.jobs)
    env_cmake = ["cmake", "-S", tree, "-B", build, "-DCMAKE_BUILD_TYPE=RelWithDebInfo"]
    if shutil.which("ccache"):
        env_cmake += ["-DCMAKE_CXX_COMPILER_LAUNCHER=ccache", "-DCMAKE_C_COMPILER_LAUNCHER=ccache"]
    build_all = ["cmake", "--build", build, "-j", jobs]
    ctest = ["ctest", "--test-dir", build, "-j", jobs, "--stop-on-failure", "--timeout", "300"]
    unit_tests = ["-E", "^e2e\\."]

    print("mutation check: %d faults, scratch tree %s, log %s" % (len(faults), tree, log))
    sys.stdout.flush()
    if not (run(env_cmake, tree, log) and run(build_all, tree, log)):
        print("the unfaulted tree does not build; see the log")
        return 2
    if not run(ctest + unit_tests, tree, log):
        print("the unit tests fail without any fault; see the log")
        return 2

    counts = {"KILLED": 0, "SURVIVED": 0, "STALE": 0, "BROKEN": 0, "EQUIVALENT": 0}
    problems = []
    started = time.time()
    for fault in faults:
        path = os.path.join(tree, fault.path)
        original = None
        if os.path.isfile(path):
            with open(path, encoding="utf-8") as stream:
                original = stream.read()
        matches = original.count(fault.search) if original is not None else 0
        if matches != 1:
            verdict = "STALE"
            detail = "%d matches" % matches
        else:
            with open(path, "w", encoding="utf-8") as stream:
                stream.write(original.replace(fault.search, fault.replace))
            try:
                with open(log, "a", encoding="utf-8") as stream:
                    stream.write("\n=== fault at line %d: %s\n" % (fault.line_number,
                                                                  fault.describe()))
                detail = ""
                # The tests of the faulty file's own folder first: most faults fall there, and
                # only that test program has to be linked.
                folder = test_folder(fault.path)
                caught = False
                built = True
                if folder is not None:
                    built = run(build_all + ["--target", folder + "_tests"], tree, log)
                    caught = built and not run(ctest + ["-R", "^%s\\." % folder], tree, log)
                if built and not caught:
                    built = run(build_all, tree, log)
                    caught = built and not run(ctest + unit_tests, tree, log)
                verdict = "KILLED" if caught else ("SURVIVED" if built else "BROKEN")
            finally:
                with open(path, "w", encoding="utf-8") as stream:
                    stream.write(original)
        if verdict == "SURVIVED" and fault.equivalent:
            verdict = "EQUIVALENT"
        counts[verdict] += 1
        if verdict not in ("KILLED", "EQUIVALENT"):
            problems.append(fault)
        print("%-10s line %3d  %s%s" % (verdict, fault.line_number, fault.describe(),
                                         "  (%s)" % detail if detail else ""))
        sys.stdout.flush()

    # Rebuild the unfaulted tree so that the next run starts from it.
    run(build_all, tree, log)
    tried = counts["KILLED"] + counts["SURVIVED"] + counts["EQUIVALENT"]
    rate = 100.0 * counts["KILLED"] / tried if tried else 0.0
    print("\n%d faults: %d killed, %d survived, %d equivalent, %d stale, %d broken; "
          "kill rate %.1f %% of the %d tried (%.0f s)" %
          (len(faults), counts["KILLED"], counts["SURVIVED"], counts["EQUIVALENT"],
           counts["STALE"], counts["BROKEN"], rate, tried, time.time() - started))
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
