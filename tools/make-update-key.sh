#!/usr/bin/env bash
# Makes a publisher's key pair for signed updates of Quavertone (Ed25519, with OpenSSL).
#
# Usage:
#   tools/make-update-key.sh PREFIX
#
# Writes:
#   PREFIX.pem   the private key (mode 0600): keep it secret and safe; it signs updates
#                (tools/layout-update.sh --key PREFIX.pem ...)
#   PREFIX.pub   the public key, the base64 of its 32 raw bytes, on one line: build the
#                players that trust the key with  cmake -DQVT_UPDATE_PUBLIC_KEY=$(cat PREFIX.pub)
# An existing PREFIX.pem is never overwritten.
set -euo pipefail

[[ $# -eq 1 ]] || {
  sed -n '4,12p' "$0" >&2
  exit 2
}
prefix=$1
[[ ! -e $prefix.pem ]] || {
  echo "make-update-key: $prefix.pem exists; not overwritten" >&2
  exit 1
}
(umask 077 && openssl genpkey -algorithm ed25519 -out "$prefix.pem")
# The DER form of an Ed25519 public key ends with the 32 raw bytes of the key.
openssl pkey -in "$prefix.pem" -pubout -outform DER | tail -c 32 | base64 -w0 >"$prefix.pub"
echo >>"$prefix.pub"
echo "Private key: $prefix.pem (keep it secret)"
echo "Public key:  $(cat "$prefix.pub")  (in $prefix.pub)"
