#!/usr/bin/env bash
# Sourced by the test command: makes sure Debian's Firebird server listens on 127.0.0.1:3050
# and exports the SYSDBA password of its security database for the tests that log in over TCP.
# The password is the one Debian's package keeps in /etc/firebird/3.0/SYSDBA.password; the
# server's users are left as they are.

password_file=/etc/firebird/3.0/SYSDBA.password

firebird_listening() {
    (exec 3<>/dev/tcp/127.0.0.1/3050) 2>/dev/null
}

if ! firebird_listening; then
    /etc/init.d/firebird3.0 start || true
    for _ in $(seq 1 50); do
        firebird_listening && break
        sleep 0.2
    done
fi
if ! firebird_listening; then
    echo "The Firebird server did not start on 127.0.0.1:3050." >&2
    return 1 2>/dev/null || exit 1
fi

ONARIM_TEST_SYSDBA_PASSWORD=$(. "$password_file" && printf '%s' "$ISC_PASSWORD")
export ONARIM_TEST_SYSDBA_PASSWORD
