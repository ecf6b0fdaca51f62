#!/usr/bin/env bash
# Signing: makes a throwaway certificate authority and a code-signing
# certificate (its key protected by a password file) with openssl, builds
# the win32 preset signed into build/signing/build (setup.exe with the demo
# payload, the end-to-end test's setup and its driver), then checks that
#   - setup.exe, the demo's three programs and the test setup verify against
#     that authority, and the programs inside the packed payload are the
#     signed ones;
#   - one changed byte inside setup.exe's embedded payload breaks the
#     signature;
#   - the signed test setup still installs end to end under Wine;
#   - a wrong key password fails the build with osslsigncode's reason and
#     leaves no unsigned program behind;
#   - a certificate without its key stops the configuration.
# Everything is made in build/signing, removed when all checks pass. Ends
# with "N passed, N failed".
set -uo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
source "$root/tests/suites/lib/checks.bash"
# The suite chooses the signing settings itself, whatever the caller's are.
unset UMBERLAY_SIGN_CERT UMBERLAY_SIGN_KEY UMBERLAY_SIGN_PASS_FILE UMBERLAY_SIGN_TIMESTAMP_URL

work=$root/build/signing
pki=$work/pki
build=$work/build
logs=$root/build/test-logs/signing
rm -rf "$work" "$logs"
mkdir -p "$pki" "$logs"

# The throwaway authority and the code-signing certificate it issues.
make_pki() {
  printf 'umberlay-test-only\n' >"$pki/key-password"
  printf 'not-the-password\n' >"$pki/wrong-password"
  printf 'basicConstraints=CA:FALSE\nkeyUsage=critical,digitalSignature\nextendedKeyUsage=codeSigning\n' \
    >"$pki/codesign.ext"
  openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj "/CN=Umberlay Test Authority" \
      -addext "basicConstraints=critical,CA:TRUE" -addext "keyUsage=critical,keyCertSign,cRLSign" \
      -keyout "$pki/ca.key" -out "$pki/ca.pem" &&
    openssl genpkey -algorithm RSA -pkeyopt rsa_keygen_bits:2048 -aes-256-cbc \
      -pass "file:$pki/key-password" -out "$pki/sign.key" &&
    openssl req -new -key "$pki/sign.key" -passin "file:$pki/key-password" \
      -subj "/CN=Umberlay Test Code Signing" -out "$pki/sign.csr" &&
    openssl x509 -req -days 2 -in "$pki/sign.csr" -CA "$pki/ca.pem" -CAkey "$pki/ca.key" \
      -CAcreateserial -extfile "$pki/codesign.ext" -out "$pki/sign.pem"
}

# Checks that program $1 carries a signature that verifies against the
# throwaway authority; $2 names it in the report.
check_verifies() {
  if osslsigncode verify -CAfile "$pki/ca.pem" -in "$1" >"$logs/verify.log" 2>&1; then
    check_pass "$2 is signed and verifies against the test authority"
  else
    check_fail "$2 does not verify: $(grep -E 'MISMATCH|No signature|Failed|error' "$logs/verify.log" | head -n 3)"
  fi
}

# Prints the offset at which the whole of file $2 lies inside file $1, or -1.
offset_of() {
  perl -e 'local $/; open my $h, "<:raw", $ARGV[0] or die; my $hay = <$h>;
           open my $n, "<:raw", $ARGV[1] or die; my $needle = <$n>;
           print index($hay, $needle)' "$1" "$2"
}

# Copies signed setup.exe, inverts one byte in the middle of the payload
# archive it embeds, and checks that the copy no longer verifies.
check_payload_change_breaks_signature() {
  local setup=$build/setup.exe archive=$build/demo/package/umberlay-demo.exar
  local copy=$work/changed-setup.exe offset size byte
  offset=$(offset_of "$setup" "$archive")
  if [ -z "$offset" ] || [ "$offset" -lt 0 ]; then
    check_fail "the payload archive is not found inside setup.exe"
    return
  fi
  size=$(stat -c %s "$archive")
  offset=$((offset + size / 2))
  cp "$setup" "$copy"
  byte=$(od -An -tu1 -j "$offset" -N1 "$copy" | tr -d ' ')
  printf "\\$(printf '%03o' $((byte ^ 0xff)))" | dd of="$copy" bs=1 seek="$offset" conv=notrunc status=none
  if cmp -s "$setup" "$copy"; then
    check_fail "the byte at offset $offset of the copy was not changed"
  elif osslsigncode verify -CAfile "$pki/ca.pem" -in "$copy" >"$logs/verify-changed.log" 2>&1; then
    check_fail "setup.exe with one payload byte changed (offset $offset) still verifies"
  elif grep -q MISMATCH "$logs/verify-changed.log"; then
    check_pass "one payload byte changed (offset $offset) breaks setup.exe's signature (digest mismatch)"
  else
    check_fail "verification of the changed setup.exe failed without a digest mismatch: $(tail -n 3 "$logs/verify-changed.log")"
  fi
  rm -f "$copy"
}

if ! make_pki >"$logs/openssl.log" 2>&1; then
  check_fail "making the test authority and certificate (log: $logs/openssl.log)"
  check_summary
  exit 1
fi

# The signed build, asked for through the environment.
if UMBERLAY_SIGN_CERT=$pki/sign.pem UMBERLAY_SIGN_KEY=$pki/sign.key \
    UMBERLAY_SIGN_PASS_FILE=$pki/key-password \
    "$root/scripts/build-preset" --binary-dir "$build" win32 "$logs/signed" setup e2e_setup e2e_driver; then
  check_pass "signed build (build/signing/build)"
else
  check_fail "signed build (logs: $logs/signed)"
  check_summary
  exit 1
fi

check_verifies "$build/setup.exe" setup.exe
for program in Vale config Sweeper; do
  check_verifies "$build/demo/programs/$program.exe" "$program.exe"
done
check_verifies "$build/tests/e2e/medium/setup.exe" "the end-to-end test's setup.exe"

# The payload carries the programs as signed: they were signed before packing.
packed=$work/packed
if "$build/host-tools/exar" extract "$build/demo/package/umberlay-demo.exar" "$packed" >"$logs/extract.log" 2>&1; then
  for program in Vale config Sweeper; do
    name=$(tr '[:lower:]' '[:upper:]' <<<"$program").EXE
    if cmp -s "$packed/$name" "$build/demo/programs/$program.exe"; then
      check_pass "the payload's $name is the signed $program.exe"
    else
      check_fail "the payload's $name is not the signed $program.exe"
    fi
  done
else
  check_fail "exar extract of the signed build's payload (log: $logs/extract.log)"
fi
rm -rf "$packed"

check_payload_change_breaks_signature

# The signed test setup installs under Wine, every check of the driver passing.
if bash "$root/tests/e2e/run-scenario.sh" install "$build/tests/e2e/medium/setup.exe" \
    "$build/tests/e2e/driver.exe" "$build/tests/e2e/e2e-payload.exar" "$build/host-tools/exar" \
    "$work/e2e" --standins >"$logs/install.log" 2>&1; then
  check_pass "the signed test setup installs under Wine ($(grep -E '^driver: [0-9]+ failed' "$logs/install.log" | tail -n 1))"
else
  check_fail "the signed test setup does not install under Wine (log: $logs/install.log):"
  grep -E '^FAIL|^driver:' "$logs/install.log" | head -n 10
fi

# A wrong password: the build fails at Vale.exe, says why, and leaves no
# unsigned Vale.exe for the next build to take as done.
if "$root/scripts/build-preset" --binary-dir "$build" -DUMBERLAY_SIGN_PASS_FILE="$pki/wrong-password" \
    win32 "$logs/wrong-password" Vale >/dev/null 2>&1; then
  check_fail "a wrong key password still built Vale.exe"
elif ! grep -q "Signing Vale.exe failed" "$logs/wrong-password/build-win32.log"; then
  check_fail "a wrong key password failed the build without saying that signing Vale.exe failed"
elif [ -e "$build/demo/programs/Vale.exe" ]; then
  check_fail "a wrong key password failed the build but left an unsigned Vale.exe"
else
  check_pass "a wrong key password fails the build at Vale.exe and leaves no unsigned program"
fi

# Half a setting: a certificate without its key.
if "$root/scripts/build-preset" --binary-dir "$build" -DUMBERLAY_SIGN_KEY= \
    win32 "$logs/half" >/dev/null 2>&1; then
  check_fail "a certificate without its key was configured"
elif grep -q "Signing needs both UMBERLAY_SIGN_CERT and UMBERLAY_SIGN_KEY" "$logs/half/configure-win32.log"; then
  check_pass "a certificate without its key stops the configuration"
else
  check_fail "a certificate without its key stopped the configuration without saying why"
fi

check_summary || exit 1
rm -rf "$work"
