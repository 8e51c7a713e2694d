#!/usr/bin/env python3
"""Writes what happens to the entries of one folder (not below it), as inotify reports it, one
line per event: "CREATE name", "CLOSE_WRITE name", "MOVED_FROM name", "MOVED_TO name",
"DELETE name". The first line, "ready", says the watch is in place. Runs until killed.

usage: folder_events.py FOLDER LOG_FILE
"""
import ctypes
import os
import struct
import sys

FOLDER, LOG_FILE = sys.argv[1], sys.argv[2]
EVENTS = {0x8: "CLOSE_WRITE", 0x40: "MOVED_FROM", 0x80: "MOVED_TO", 0x100: "CREATE",
          0x200: "DELETE"}

libc = ctypes.CDLL(None, use_errno=True)
fd = libc.inotify_init1(0)
if fd < 0 or libc.inotify_add_watch(fd, FOLDER.encode(), sum(EVENTS)) < 0:
    sys.exit(f"folder_events: cannot watch {FOLDER}: {os.strerror(ctypes.get_errno())}")
with open(LOG_FILE, "a", encoding="utf-8") as log:
    log.write("ready\n")
    log.flush()
    while True:
        buffer = os.read(fd, 65536)
        offset = 0
        while offset < len(buffer):
            _, mask, _, length = struct.unpack_from("iIII", buffer, offset)
            name = buffer[offset + 16:offset + 16 + length].rstrip(b"\0").decode(errors="replace")
            offset += 16 + length
            for bit, event in EVENTS.items():
                if mask & bit:
                    log.write(f"{event} {name}\n")
        log.flush()
