#!/usr/bin/env python3
"""Writes LungoTroncato.xls: Lungo.xls with the last sector of its workbook
stream moved to the end of the file, as other writers lay a file out, and
the file then cut short inside that sector's unused tail."""
import struct, sys, os

END = 0xFFFFFFFA  # the sector numbers from here on mean no sector

def main(folder):
    data = bytearray(open(os.path.join(folder, "Lungo.xls"), "rb").read())
    ss = 1 << struct.unpack_from("<H", data, 0x1E)[0]
    count = len(data) // ss - 1
    difat = [struct.unpack_from("<I", data, 0x4C + 4 * i)[0] for i in range(109)]
    fat = []
    for s in difat:
        if s < END:
            fat += struct.unpack_from("<%dI" % (ss // 4), data, (s + 1) * ss)
    def chain(s):
        out = []
        while s < END:
            out.append(s)
            s = fat[s]
        return out
    directory = chain(struct.unpack_from("<I", data, 0x30)[0])
    cutoff = struct.unpack_from("<I", data, 0x38)[0]
    # The workbook's entry and its sectors.
    for d in directory:
        for e in range(ss // 128):
            at = (d + 1) * ss + e * 128
            n = struct.unpack_from("<H", data, at + 0x40)[0]
            name = bytes(data[at:at + n - 2]).decode("utf-16le") if n >= 2 else ""
            if name.lower() == "workbook":
                start, size = struct.unpack_from("<II", data, at + 0x74)
    assert size >= cutoff
    a, b = chain(start)[-1], count - 1
    swap = lambda s: b if s == a else a if s == b else s
    # The two sectors change places, and so does every mention of them.
    sa, sb = bytes(data[(a + 1) * ss:(a + 2) * ss]), bytes(data[(b + 1) * ss:(b + 2) * ss])
    data[(a + 1) * ss:(a + 2) * ss], data[(b + 1) * ss:(b + 2) * ss] = sb, sa
    fat = [swap(fat[swap(i)]) if fat[swap(i)] < END else fat[swap(i)] for i in range(len(fat))]
    difat = [swap(s) if s < END else s for s in difat]
    for i, s in enumerate(difat):
        struct.pack_into("<I", data, 0x4C + 4 * i, s)
    for off in (0x30, 0x3C, 0x44):
        s = struct.unpack_from("<I", data, off)[0]
        if s < END:
            struct.pack_into("<I", data, off, swap(s))
    for i, s in enumerate(s for s in difat if s < END):
        struct.pack_into("<%dI" % (ss // 4), data, (s + 1) * ss, *fat[i * (ss // 4):(i + 1) * (ss // 4)])
    for d in chain(swap(directory[0])):
        for e in range(ss // 128):
            at = (d + 1) * ss + e * 128
            kind = data[at + 0x42]
            start_e, size_e = struct.unpack_from("<II", data, at + 0x74)
            if kind in (1, 2, 5) and start_e < END and (kind == 5 or size_e >= cutoff):
                struct.pack_into("<I", data, at + 0x74, swap(start_e))
    # What the stream holds of its last sector, and a little of the tail after it.
    used = size - (len(chain(start)) - 1) * ss
    keep = (b + 1) * ss + used + (ss - used) // 4
    open(os.path.join(folder, "LungoTroncato.xls"), "wb").write(bytes(data[:keep]))
    print("last sector", a, "->", b, "stream bytes in it", used, "file", keep)

main(sys.argv[1] if len(sys.argv) > 1 else os.path.dirname(os.path.abspath(__file__)))
