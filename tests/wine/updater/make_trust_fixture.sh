#!/usr/bin/env bash
# Makes the files the CNG trust suite checks, with openssl at test time: a P-256 key pair, its
# public point X||Y, a message, the message's signature in r||s form, a signature by another key,
# and the message's SHA-256.
set -euo pipefail
out=$1
rm -rf "$out"
mkdir -p "$out"
cd "$out"
# DER ECDSA-Sig-Value (SEQUENCE of two INTEGERs) to the 64-byte r||s the platform verifies.
to_raw() {
    python3 -c '
import sys
der = open(sys.argv[1], "rb").read()
assert der[0] == 0x30
i = 2 if der[1] < 0x80 else 3
out = b""
for _ in range(2):
    assert der[i] == 0x02
    n = der[i + 1]
    out += der[i + 2:i + 2 + n].lstrip(b"\0").rjust(32, b"\0")
    i += 2 + n
open(sys.argv[2], "wb").write(out)' "$1" "$2"
}
for k in key other; do
    openssl genpkey -algorithm EC -pkeyopt ec_paramgen_curve:P-256 -out $k.pem 2>/dev/null
done
openssl pkey -in key.pem -pubout -outform DER 2>/dev/null | tail -c 64 >public.xy
head -c 3000 /dev/urandom >message.bin
printf '[Info]\r\nInfoStr=Quorvex_Soft_qvxUpgraded\r\n' >>message.bin
openssl dgst -sha256 -sign key.pem -out message.der message.bin
openssl dgst -sha256 -sign other.pem -out other.der message.bin
to_raw message.der message.sig
to_raw other.der other.sig
sha256sum message.bin | cut -c1-64 | tr -d '\n' >message.sha256
rm -f key.pem other.pem ./*.der
