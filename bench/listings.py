"""Published listings written the way the program writes them (format 1),
for the memory benchmarks: a share need not hold what its listing names."""
import struct
import zlib


def _name(text):
    data = text.encode("cp1251")
    return bytes([len(data)]) + data


def empty_directories(count):
    """The listing of a root holding `count` empty directories and no file."""
    body = bytearray(struct.pack("<I", 0))
    body += struct.pack("<I", count)
    empty = struct.pack("<II", 0, 0)
    for i in range(count):
        body += _name(format(i, "x"))
        body += empty
    return seal(bytes(body), directories=count, files=0)


def seal(payload, directories, files, published=(0x2A4B6C00, 0x01DB0000)):
    header = b"VKLS" + struct.pack("<IIIIIQI", 1, published[0], published[1], directories, files,
                                   len(payload), zlib.crc32(payload) & 0xFFFFFFFF)
    return header + payload
