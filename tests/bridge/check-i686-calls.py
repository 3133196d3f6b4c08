#!/usr/bin/env python3
"""Checks the i686 native-call thunks, which the x86_64 test build cannot run.

usage: i686-w64-mingw32-objdump -d -C --no-show-raw-insn orbnativecall.cpp.obj | check-i686-calls.py

For every Caller<...>::Std / ::Cdecl thunk with N words it verifies that word k of the
argument array lands in outgoing stack slot k (so word 0 is nearest the return address:
pushed last-first), that the export is called through the thunk's fn parameter, and the
cleanup: after a __stdcall call the thunk takes back the 4N bytes the callee removed;
after a __cdecl call it adjusts nothing but its own frame. Prints one line per thunk
kind and exits 1 on any mismatch.
"""
import re
import sys

HEAD = re.compile(r"^[0-9a-f]+ <.*Caller<std::integer_sequence<unsigned int((?:, \d+u)*)> >::(Std|Cdecl)")
INSN = re.compile(r"^\s*[0-9a-f]+:\s+(\S+)\s*(.*)$")


def num(text):
    return int(text, 16) if text else 0


def check(n, kind, insns):
    frame = 0
    if insns and insns[0][0] == "sub" and insns[0][1].endswith(",%esp"):
        frame = num(insns[0][1][3:-5])
    fnreg = set()    # registers holding the fn parameter
    arr = set()      # registers holding the argument array
    elem = {}        # register -> array index it holds
    slots = {}       # outgoing slot -> array index stored there
    called = None
    tail = False
    after = []
    for op, args in insns[1 if frame else 0:]:
        if called is not None:
            after.append((op, args))
            continue
        m = re.fullmatch(r"(0x[0-9a-f]+)?\(%esp\),%(\w+)", args)
        if op == "mov" and m and num((m.group(1) or "0x0")[2:]) in (frame + 4, frame + 8):
            r = m.group(2)
            arr.discard(r); fnreg.discard(r); elem.pop(r, None)
            (fnreg if num((m.group(1) or "0x0")[2:]) == frame + 4 else arr).add(r)
            continue
        m = re.fullmatch(r"(0x[0-9a-f]+)?\(%(\w+)\),%(\w+)", args)
        if op == "mov" and m and m.group(2) in arr:
            off = num((m.group(1) or "0x0")[2:])
            arr.discard(m.group(3)); fnreg.discard(m.group(3)); elem[m.group(3)] = off // 4
            continue
        m = re.fullmatch(r"%(\w+),(0x[0-9a-f]+)?\(%esp\)", args)
        if op == "mov" and m:
            base = 4 if frame == 0 else 0  # a tail call reuses the incoming slots
            slots[(num((m.group(2) or "0x0")[2:]) - base) // 4] = elem.get(m.group(1))
            continue
        if op == "call":
            called = args
        elif op == "jmp":
            called, tail = args, True
        else:
            return f"unexpected {op} {args} before the call"
    want = {k: k for k in range(n)}
    if slots != want:
        return f"argument slots {slots}, want {want}"
    if called is None:
        return "no call"
    if tail:
        if kind == "Std" and n:
            return "tail call to a __stdcall callee that removes arguments"
        if called != f"*0x{frame + 4:x}(%esp)" and called.lstrip("*%") not in fnreg:
            return f"jumps to {called}, not the fn parameter"
        return None
    if called != f"*0x{frame + 4:x}(%esp)":
        return f"calls {called}, not the fn parameter"
    adjust = 0
    for op, args in after:
        m = re.fullmatch(r"\$(-?0x[0-9a-f]+),%esp", args)
        if op in ("add", "sub") and m:
            v = int(m.group(1), 16)
            if v >= 0x80000000:
                v -= 1 << 32
            adjust += v if op == "add" else -v
        elif op == "ret":
            break
    if adjust + 4 * n * (kind == "Std") != frame:
        return f"stack adjusted by {adjust} after the call (frame {frame}, {n} words)"
    return None


def main():
    thunks, current = [], None
    for line in sys.stdin:
        h = HEAD.match(line)
        if h:
            current = (len(re.findall(r"\d+u", h.group(1))), h.group(2), [])
            thunks.append(current)
            continue
        if current is None:
            continue
        if not line.strip():
            current = None
            continue
        m = INSN.match(line)
        if m:
            current[2].append((m.group(1), m.group(2).split("#")[0].strip()))
            if m.group(1) == "ret" or m.group(1) == "jmp":
                current = None  # what follows is alignment padding
    bad = 0
    for kind in ("Std", "Cdecl"):
        counts = sorted(n for n, k, _ in thunks if k == kind)
        for n, k, insns in thunks:
            if k == kind:
                err = check(n, k, insns)
                if err:
                    bad += 1
                    print(f"{kind}{n}: {err}")
        print(f"{kind}: {len(counts)} thunks, {counts[0] if counts else '-'}..{counts[-1] if counts else '-'} words checked")
    if not thunks:
        print("no thunks found")
        return 1
    return 1 if bad else 0


if __name__ == "__main__":
    sys.exit(main())
