#!/usr/bin/env bash
# Signs Windows binaries in place with osslsigncode (Authenticode, SHA-256), with the
# certificate the environment names:
#   VARNOLT_SIGN_PKCS12=FILE.pfx                    a PKCS#12 bundle (certificate chain and key), or
#   VARNOLT_SIGN_CERT=CHAIN.pem VARNOLT_SIGN_KEY=KEY.pem   the chain and its key, PEM or DER;
#   VARNOLT_SIGN_PASS_FILE=FILE                     the key's or bundle's password, if it has one;
#   VARNOLT_SIGN_TIMESTAMP=URL                      an RFC 3161 timestamp server (optional).
#   scripts/sign.sh FILE...
# A file is replaced only by its signed copy: a failed signature leaves it as it was and fails.
. "$(dirname "$0")/strict-mode.sh"

if [ -n "${VARNOLT_SIGN_PKCS12:-}" ]; then
  credentials=(-pkcs12 "$VARNOLT_SIGN_PKCS12")
elif [ -n "${VARNOLT_SIGN_CERT:-}" ] && [ -n "${VARNOLT_SIGN_KEY:-}" ]; then
  credentials=(-certs "$VARNOLT_SIGN_CERT" -key "$VARNOLT_SIGN_KEY")
else
  echo "sign.sh: no certificate: set VARNOLT_SIGN_PKCS12, or VARNOLT_SIGN_CERT and VARNOLT_SIGN_KEY" >&2
  exit 1
fi
[ -z "${VARNOLT_SIGN_PASS_FILE:-}" ] || credentials+=(-readpass "$VARNOLT_SIGN_PASS_FILE")
timestamp=()
[ -z "${VARNOLT_SIGN_TIMESTAMP:-}" ] || timestamp=(-ts "$VARNOLT_SIGN_TIMESTAMP")

for file in "$@"; do
  signed="$file.signing"
  rm -f "$signed"
  if ! osslsigncode sign "${credentials[@]}" "${timestamp[@]}" -h sha256 \
         -n "Varnolt" -in "$file" -out "$signed" >/dev/null; then
    rm -f "$signed"
    echo "sign.sh: could not sign $file" >&2
    exit 1
  fi
  mv -f "$signed" "$file"
done
