#!/usr/bin/env python3
"""A status request and a 0.01 payment through libecr17.so, with ctypes only.

    ecr17_demo.py LIBRARY [--journal FILE] HOST PORT

Prints both result texts; exits 0 when both operations returned true. With a
journal, a payment whose outcome was lost (the connection dropped after the
card was charged) is not paid again: the demo shows the pending operation
and recovers its outcome from the terminal instead, and exits 0 when it did.
"""
import ctypes
import sys

TRUE, FALSE, ERROR = 1, 0, -1


def utf16(text):
    """A zero-terminated UTF-16 buffer for an input text."""
    return ctypes.create_string_buffer((text + "\0").encode("utf-16-le"))


def take(lib, pointer):
    """Reads a library-owned UTF-16 text and frees it."""
    if not pointer:
        return ""
    units = []
    i = 0
    while pointer[i]:
        units.append(pointer[i])
        i += 1
    lib.ecr17_free(pointer)
    raw = b"".join(u.to_bytes(2, "little") for u in units)
    return raw.decode("utf-16-le", errors="replace")


def load(path):
    lib = ctypes.CDLL(path)
    text_out = ctypes.POINTER(ctypes.POINTER(ctypes.c_uint16))
    lib.ecr17_create.restype = ctypes.c_void_p
    lib.ecr17_destroy.argtypes = [ctypes.c_void_p]
    lib.ecr17_free.argtypes = [ctypes.POINTER(ctypes.c_uint16)]
    lib.ecr17_last_error.argtypes = [ctypes.c_void_p]
    lib.ecr17_last_error.restype = ctypes.POINTER(ctypes.c_uint16)
    lib.ecr17_set_host.argtypes = [ctypes.c_void_p, ctypes.c_char_p]
    lib.ecr17_set_port.argtypes = [ctypes.c_void_p, ctypes.c_int32]
    lib.ecr17_set_json_out.argtypes = [ctypes.c_void_p, ctypes.c_bool]
    lib.ecr17_set_print_mode.argtypes = [ctypes.c_void_p, ctypes.c_uint8]
    lib.ecr17_status.argtypes = [ctypes.c_void_p, text_out]
    lib.ecr17_pay.argtypes = [ctypes.c_void_p, ctypes.c_int64, ctypes.c_char_p, text_out,
                              ctypes.POINTER(ctypes.c_bool)]
    lib.ecr17_set_journal.argtypes = [ctypes.c_void_p, ctypes.c_char_p]
    lib.ecr17_pending_operation.argtypes = [ctypes.c_void_p, text_out]
    lib.ecr17_recover.argtypes = [ctypes.c_void_p, text_out]
    return lib


def report(lib, client, name, rc, result):
    if rc == ERROR:
        print(f"{name} failed: {take(lib, lib.ecr17_last_error(client))}", file=sys.stderr)
    else:
        print(f"{name}:" if rc == TRUE else f"{name} (failed):")
        print(take(lib, result))
    return rc == TRUE


def recover(lib, client):
    """After a payment without an outcome: what is pending, then recovery."""
    result = ctypes.POINTER(ctypes.c_uint16)()
    if lib.ecr17_pending_operation(client, ctypes.byref(result)) != TRUE:
        take(lib, result)
        return False
    report(lib, client, "pending", TRUE, result)
    # Paying again now would charge the customer twice: ask the terminal.
    rc = lib.ecr17_recover(client, ctypes.byref(result))
    return report(lib, client, "recover", rc, result)


def main(argv):
    journal = None
    if len(argv) == 6 and argv[2] == "--journal":
        journal = argv[3]
        argv = argv[:2] + argv[4:]
    if len(argv) != 4:
        print(f"usage: {argv[0]} LIBRARY [--journal FILE] HOST PORT", file=sys.stderr)
        return 64
    lib = load(argv[1])
    client = lib.ecr17_create()
    if not client:
        return 1
    lib.ecr17_set_host(client, utf16(argv[2]))
    lib.ecr17_set_port(client, int(argv[3]))
    lib.ecr17_set_json_out(client, False)
    if journal:
        lib.ecr17_set_journal(client, utf16(journal))

    result = ctypes.POINTER(ctypes.c_uint16)()
    ok = report(lib, client, "status", lib.ecr17_status(client, ctypes.byref(result)), result)

    lib.ecr17_set_print_mode(client, 2)
    timed_out = ctypes.c_bool(False)
    rc = lib.ecr17_pay(client, 100, utf16(""), ctypes.byref(result), ctypes.byref(timed_out))
    paid = report(lib, client, "pay", rc, result)
    if timed_out.value:
        print("Timeout")
    if not paid and journal:
        paid = recover(lib, client)
    ok = paid and ok

    lib.ecr17_destroy(client)
    return 0 if ok else 1


if __name__ == "__main__":
    sys.exit(main(sys.argv))
