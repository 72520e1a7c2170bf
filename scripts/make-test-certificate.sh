#!/usr/bin/env bash
# Makes a throwaway code-signing certificate for the test run's release, in DIR:
#   ca.pem                   a self-signed certificate authority, made for this run only
#   signing.pem signing.key  a code-signing certificate it issued, and its key (no password)
#   stranger-ca.pem          another authority, which issued nothing of ours: nothing may verify with it
# Valid two days; nothing here is worth keeping.
#   scripts/make-test-certificate.sh DIR
. "$(dirname "$0")/strict-mode.sh"
dir=$1
rm -rf "$dir"
mkdir -p "$dir"
cd "$dir"
authority() {  # NAME SUBJECT
  openssl req -x509 -newkey rsa:2048 -nodes -days 2 -keyout "$1.key" -out "$1.pem" -subj "$2" \
    -addext "basicConstraints=critical,CA:TRUE" -addext "keyUsage=critical,keyCertSign,cRLSign" 2>/dev/null
}
authority ca "/CN=Varnolt throwaway test CA"
authority stranger-ca "/CN=Varnolt unrelated test CA"
openssl req -newkey rsa:2048 -nodes -keyout signing.key -out signing.csr -subj "/O=Varnolt/CN=Varnolt (test signature)" 2>/dev/null
printf '%s\n' "basicConstraints=CA:FALSE" "keyUsage=critical,digitalSignature" "extendedKeyUsage=codeSigning" >signing.ext
openssl x509 -req -in signing.csr -CA ca.pem -CAkey ca.key -CAcreateserial -days 2 -extfile signing.ext \
  -out signing.pem 2>/dev/null
rm -f ca.key stranger-ca.key signing.csr signing.ext ca.srl
