#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Writes the seed corpora of the machine targets from our own demo games.

usage: tests/fuzz/make_seeds.py BUILD/bin

Seeds are inputs laid out exactly as machine_harness.h and the targets read them; rerun this after
changing that layout, or after a demo changes a lot. The targets never need the seeds to be valid,
they only start the search from a machine that does something.
"""
import pathlib
import re
import struct
import subprocess
import sys
import tempfile

HERE = pathlib.Path(__file__).resolve().parent
GAMES = HERE.parent.parent / "games"
TABLE = HERE.parent.parent / "src" / "drivers" / "driver_table.cpp"
ADDRESS_KEYS = ["#VRAM=", "#ATTRRAM=", "#SPRITERAM=", "#BULLETRAM=", "#STARSON=", "#NMIENABLE=", "#NMIINT=",
                "#MAXROM=", "#MAXDIRECTREAD="]
COUNT_KEYS = ["#CHARSET=", "#SPRITES=", "#CHARS=", "#CHAROFFSET=", "#DELTAPLANE=", "#SCREENW=", "#SCREENH="]
PROGRAM_BYTES = 4096  # enough for the demos' start-up and main loop, small enough to mutate quickly


def read_description(path):
    fields, program = {}, None
    for line in path.read_text().splitlines():
        upper = line.strip().upper()
        for key in ADDRESS_KEYS + COUNT_KEYS + ["#DRIVER=", "#DRVTAG="]:
            if upper.startswith(key):
                fields[key] = upper[len(key):].strip()
        if "~" in line and not upper.startswith("#GRF=") and not upper.startswith(";"):
            address, name = line.split("~", 1)
            if address.strip() == "0000" and program is None:
                program = name.strip()
    return fields, program


def address(value):
    return bytes([0x20]) + struct.pack("<H", int(value, 16) & 0xFFFF)


def count(value):
    n = int(value, 16)
    return bytes([0x40 | n]) if n < 64 else bytes([0x00]) + struct.pack("<I", n)


def machine_header(index, fields):
    out = bytes([index])
    out += b"".join(address(fields.get(k, "0")) for k in ADDRESS_KEYS)
    out += b"".join(count(fields.get(k, "0")) for k in COUNT_KEYS)
    out += bytes([int(fields.get("#DRVTAG=", "0"), 16) & 0xFF])
    out += bytes(8)                              # no keys held
    out += bytes([2]) + struct.pack("<I", 0x1234567 + index)  # graphics: noise
    return out


def write(folder, name, data):
    folder.mkdir(parents=True, exist_ok=True)
    (folder / name).write_bytes(data)


def driver_order():
    """The rows of the driver table in order: an input's first byte picks the row with its index."""
    rows = re.findall(r"^\s*&(\w+)Driver,", TABLE.read_text(), re.MULTILINE)
    return [row.upper() for row in rows]


def main():
    bin_dir = pathlib.Path(sys.argv[1])
    DRIVERS = driver_order()
    seen = set()
    for ini in sorted(GAMES.glob("*/*.ini")):
        fields, program = read_description(ini)
        driver = fields.get("#DRIVER=")
        if driver not in DRIVERS or driver in seen or not program:
            continue
        seen.add(driver)
        index = DRIVERS.index(driver)
        header = machine_header(index, fields)
        code = (bin_dir / program).read_bytes()[:PROGRAM_BYTES]
        # Description limits, two frames in mode 1 with interrupts on (the first free-running, the
        # second in the breakpoint loop, stopping at the restart and NMI addresses), then the program
        # at 0000h.
        stops = struct.pack("<4H", 0x0000, 0x0038, 0x0066, 0xFFFF)
        machine = header + bytes([0, 1]) + bytes([0x05, 0, 0, 0, 0x05, 0, 0, 1]) + stops + bytes([0x3F]) + bytes([0])
        write(HERE / "corpus" / "machine", f"{driver.lower()}", machine + struct.pack("<H", 0) + code)
        # Noise in RAM, a few writes through the bus, video RAM laid over it as a pattern of codes.
        vram = int(fields.get("#VRAM=", "4000"), 16)
        writes = bytes([5]) + b"".join(bytes([1]) + struct.pack("<H", vram + 33 * k) + bytes([k]) for k in range(5))
        video = header + bytes([2]) + struct.pack("<I", 0xC0FFEE + index) + writes
        write(HERE / "corpus" / "video", f"{driver.lower()}",
              video + struct.pack("<H", vram & 0xFFFF) + bytes(range(256)) * 4)
    missing = sorted(set(DRIVERS) - seen)
    if missing:
        print("no demo description for", ", ".join(missing))

    snapshot = (bin_dir / "roms" / "spectrum" / "keytest.sna").read_bytes()
    write(HERE / "corpus" / "snapshot", "keytest.sna", snapshot)
    write(HERE / "corpus" / "snapshot", "one-byte-long.sna", snapshot + b"\0")
    write(HERE / "corpus" / "snapshot", "header-only.sna", snapshot[:27])
    cartridge = (bin_dir / "roms" / "coleco" / "demo.col").read_bytes()
    write(HERE / "corpus" / "cartridge", "demo.col", cartridge)
    write(HERE / "corpus" / "cartridge", "one-byte-long.col", cartridge + bytes(0x8001 - len(cartridge)))
    write(HERE / "corpus" / "cartridge", "empty.col", b"")

    write_state_seeds(bin_dir)


def write_state_seeds(bin_dir):
    """fuzz_state: one game per driver, its state after three frames as a whole file (mode 0) and a
    few overlays on the state and on the file (modes 1 and 2). The first byte is the game's place
    among the descriptions beside the programs, sorted by name, as the target lists them."""
    games = sorted(path.name for path in bin_dir.glob("*.ini"))
    pairs = b"".join(struct.pack("<IB", offset, value) for offset, value in
                     [(0x0C, 0xFF), (0x30, 0x76), (0x10000, 0x80), (0x7FFFFFF0, 0x01)])
    seen = set()
    with tempfile.TemporaryDirectory() as work:
        for index, game in enumerate(games):
            driver = next((line.split("=", 1)[1].strip().upper() for line in (bin_dir / game).read_text().splitlines()
                           if line.upper().startswith("#DRIVER=")), None)
            if driver is None or driver in seen:
                continue
            seen.add(driver)
            state = pathlib.Path(work) / "seed.state"
            subprocess.run([str(bin_dir / "tirvane-headless"), str(bin_dir / game), "--frames", "3",
                            "--save-state", str(state)], check=True, capture_output=True)
            name = pathlib.Path(game).stem
            write(HERE / "corpus" / "state", f"{name}-file", bytes([index, 0]) + state.read_bytes())
            write(HERE / "corpus" / "state", f"{name}-state", bytes([index, 1]) + pairs)
            write(HERE / "corpus" / "state", f"{name}-header", bytes([index, 2]) + struct.pack("<IB", 8, 7) +
                  struct.pack("<IB", 14, 0x41))


if __name__ == "__main__":
    main()
