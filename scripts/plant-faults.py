#!/usr/bin/env python3
"""Plants known faults in a source tree one at a time and tells which ones the test suite catches.

Each fault is an exact text replacement in one file. For each fault the script replaces the
anchor text, rebuilds (ninja rebuilds only what changed), runs ctest, records "caught" (a test
failed or the build broke on purpose) or "missed", and puts the file back.

    scripts/plant-faults.py --tree DIR --build BUILD_DIR [--only NAME ...] [--list] [--check]

--check only reports anchors that are not found (code moves: re-anchor the fault). The
tree must build and pass its tests before the first fault is planted.
"""

import argparse
import pathlib
import re
import subprocess
import sys

# name, file, anchor (exact, unique), replacement
FAULTS = [
    ("power-off-skipped", "update/UpdateWorker.cpp",
     "kThunderboltPlatformDevice, 0, &switchResult);",
     "kThunderboltPlatformDevice, 1, &switchResult);"),
    ("equal-version-refused", "update/UpdateWorker.cpp",
     "imageVersion < installedVersion && context.downgradeAllowed == 0",
     "imageVersion <= installedVersion && context.downgradeAllowed == 0"),
    ("lock-not-taken", "update/UpdateWorker.cpp",
     "if (lock == nullptr) {", "if (lock == nullptr && false) {"),
    ("service-already-running-fails", "update/ServiceControl.cpp",
     "services.GetLastError() != platform::kErrorServiceAlreadyRunning", "true"),
    ("wrong-mask-src0", "update/NvmCheck.cpp",
     'u"Src0(DP-out)", 0xAA, 0)', 'u"Src0(DP-out)", 0xFF, 0)'),
    ("wrong-row-kind4-pb", "update/NvmCheck.cpp",
     'Row(4, 0, 0x13, 1, u"PB", 0x44, 2)', 'Row(4, 0, 0x13, 1, u"PB", 0xCC, 2)'),
    ("wrong-offset-kind2-port1", "update/NvmCheck.cpp",
     'Row(2, 1, 0x153, 1, u"CIO-Port1_TX"', 'Row(2, 1, 0x152, 1, u"CIO-Port1_TX"'),
    ("mask-ignored", "update/NvmCheck.cpp",
     "(value & mask & 0xFFu)", "(value & (mask | 0xFFu) & 0xFFu)"),
    ("image-bounds-dropped", "update/NvmCheck.cpp",
     "offset > size || width > size - offset", "offset > size"),
    ("device-id-variant", "update/NvmCheck.cpp",
     "{0x15D9, 5, 1},", "{0x15D9, 5, 0},"),
    ("version-byte-offset", "platform/NvmSectionLayout.h",
     "kVersionOffset = 0x0A;", "kVersionOffset = 0x0B;"),
    ("result-name-busy", "update/ResultCodes.cpp",
     '{TBU_E_BUSY, "TBU_E_BUSY"', '{TBU_E_BUSY, "TBU_E_ON_BATTERY"'),
    ("message-downgrade-text", "ui/ResultMessage.cpp",
     'lookup(u"IDS_DOWNGRADE"', 'lookup(u"IDS_FIND_NO_SW"'),
    ("message-code-format", "ui/ResultMessage.cpp",
     '" (0X%08X)"', '" (0x%08X)"'),
    ("surrogate-split", "ui/ResultMessage.cpp",
     "if (keep > 0 && IsHighSurrogate(text[keep - 1])) {",
     "if (keep > 0 && IsHighSurrogate(text[keep - 1]) && false) {"),
    ("tab-order-right-to-left", "ui/FwUpdateDlg.cpp",
     "a->y() < b->y() : a->x() < b->x();", "a->y() < b->y() : a->x() > b->x();"),
    ("kernel-length-alignment", "platform/linux/KernelImageRules.cpp",
     "if (size % 4 != 0) {", "if (size % 2 != 0) {"),
    ("kernel-pointer-alignment", "platform/linux/KernelImageRules.cpp",
     "pointer == 0 || pointer % kSectionAlignment != 0", "pointer == 0"),
    ("peripheral-battery-counted", "platform/linux/LinuxPower.cpp",
     'if (!scope.empty() && scope != "System") {', "if (false) {"),
    ("sysfs-read-bounds-dropped", "platform/linux/SysfsTbtProvider.cpp",
     "if (start > total || count > total - start) {", "if (start > total) {"),
    ("helper-flash-any-router", "platform/linux/HelperSession.cpp",
     "if (!IsHostRouterOf(tree_, router)) {\n      Answer(kTbtUnsafePath);",
     "if (false) {\n      Answer(kTbtUnsafePath);"),
    ("cli-missing-operand-accepted", "cli/CommandWords.cpp",
     '*error = "no " + std::string(operandName) + " given";\n    return false;',
     '*error = "no " + std::string(operandName) + " given";\n    return true;'),
    ("utf16-low-surrogate-mask", "platform/Utf16.cpp",
     "0xDC00 + (cp & 0x3FF)", "0xDC00 + (cp & 0x1FF)"),
    ("window-above-work-area", "skin/WindowPlacement.cpp",
     "std::max(0, (workArea.bottom - workArea.top - height) / 2)",
     "((workArea.bottom - workArea.top - height) / 2)"),
    ("color-matrix-no-clamp", "skin/ColorMatrix.cpp",
     "std::clamp(component, 0.0f, 1.0f)", "std::clamp(component, -1.0f, 2.0f)"),
    ("ini-mismatched-quotes", "app/strings/IniFile.cpp",
     "value.back() == value.front()", "true"),
    ("window-switch-needs-slash", "app/strings/CommandLine.cpp",
     "argv[i][0] != u'/'", "argv[i][0] != u'-'"),
    ("controller-path-not-refused", "update/TbtWmiClient.cpp",
     "if (EscapedLength(path) <= kMaxPathUnits) {",
     "if (EscapedLength(path) <= kMaxPathUnits + 8) {"),
]

# Where a fault's code lives after it moved: tried in order when the first place does
# not hold the anchor exactly once. Same form as FAULTS, less the name.
MOVED = {
    "wrong-mask-src0": [("update/NvmCheckTable.cpp",) + FAULTS[4][2:]],
    "wrong-row-kind4-pb": [("update/NvmCheckTable.cpp",) + FAULTS[5][2:]],
    "wrong-offset-kind2-port1": [("update/NvmCheckTable.cpp",) + FAULTS[6][2:]],
    "image-bounds-dropped": [("platform/NvmImageFormat.h",
                              "offset > bytes.size() || width > bytes.size() - offset",
                              "offset > bytes.size()")],
    "device-id-variant": [("update/NvmCheckTable.cpp",) + FAULTS[9][2:]],
    "tab-order-right-to-left": [("ui/FwUpdateDlgEvents.cpp",) + FAULTS[15][2:],
                                ("dialog/FocusOrder.cpp",
                                 "a.rect.y < b.rect.y : a.rect.x < b.rect.x;",
                                 "a.rect.y < b.rect.y : a.rect.x > b.rect.x;")],
    "ini-mismatched-quotes": [("strings/IniFile.cpp",) + FAULTS[25][2:]],
    "window-switch-needs-slash": [("strings/CommandLine.cpp",) + FAULTS[26][2:]],
    "message-downgrade-text": [("dialog/ResultMessage.cpp",) + FAULTS[12][2:]],
    "message-code-format": [("dialog/ResultMessage.cpp",) + FAULTS[13][2:]],
    "surrogate-split": [("dialog/ResultMessage.cpp",) + FAULTS[14][2:]],
    "window-above-work-area": [("dialog/WindowPlacement.cpp",) + FAULTS[23][2:]],
    "color-matrix-no-clamp": [("dialog/PixelColorMatrix.cpp",) + FAULTS[24][2:]],
}


def Locate(tree, name, path, anchor, replacement):
    """The (path, anchor, replacement) that holds exactly once in `tree`, or the reason."""
    reasons = []
    for where in [(path, anchor, replacement)] + MOVED.get(name, []):
        file = tree / where[0]
        count = file.read_text().count(where[1]) if file.exists() else -1
        if count == 1:
            return where, None
        reasons.append(f"{where[0]}: " + ("file not found" if count < 0 else
                                           f"anchor found {count} times"))
    return None, "; ".join(reasons)


# Only what ctest runs: the test programs and the fuzz replays (Ninja's folder targets).
TARGETS = ["tests/all", "fuzz/all"]


def run(command, cwd):
    return subprocess.run(command, cwd=cwd, stdout=subprocess.PIPE, stderr=subprocess.STDOUT,
                          text=True)


def main():
    parser = argparse.ArgumentParser(description=__doc__,
                                     formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--tree", default=".", help="source tree to plant the faults in")
    parser.add_argument("--build", help="configured build folder of that tree")
    parser.add_argument("--only", nargs="*", help="fault names to run")
    parser.add_argument("--list", action="store_true", help="list the faults and stop")
    parser.add_argument("--check", action="store_true", help="only report missing anchors")
    parser.add_argument("--jobs", default="2")
    args = parser.parse_args()

    tree = pathlib.Path(args.tree).resolve()
    faults = [f for f in FAULTS if not args.only or f[0] in args.only]
    if args.list:
        for name, path, _, _ in faults:
            print(f"{name:32} {path}")
        return 0

    missing = 0
    located = []
    for name, path, anchor, replacement in faults:
        where, reason = Locate(tree, name, path, anchor, replacement)
        if where is None:
            print(f"ANCHOR {name}: {reason}", file=sys.stderr)
            missing += 1
        else:
            located.append((name,) + where)
    if args.check or missing:
        return 1 if missing else 0
    if not args.build:
        parser.error("--build is needed to run the faults")
    build = pathlib.Path(args.build).resolve()

    print("| fault | file | result |")
    print("|---|---|---|")
    for name, path, anchor, replacement in located:
        file = tree / path
        original = file.read_text()
        try:
            file.write_text(original.replace(anchor, replacement, 1))
            built = run(["cmake", "--build", str(build), f"-j{args.jobs}", "--target"] + TARGETS,
                        tree)
            if built.returncode != 0:
                result = "caught (build)"
            else:
                tested = run(["ctest", "--test-dir", str(build), f"-j{args.jobs}",
                              "--stop-on-failure", "--timeout", "300"], tree)
                result = "caught" if tested.returncode != 0 else "missed"
                if tested.returncode != 0:
                    failed = re.findall(r"Test +#\d+: (\S+) .*\*\*\*(?:Failed|Exception)",
                                        tested.stdout)
                    if failed:
                        result += " (" + ", ".join(failed[:2]) + ")"
        finally:
            file.write_text(original)
        print(f"| {name} | {path} | {result} |", flush=True)
    # Leave the build matching the restored sources.
    run(["cmake", "--build", str(build), f"-j{args.jobs}", "--target"] + TARGETS, tree)
    return 0


if __name__ == "__main__":
    sys.exit(main())
