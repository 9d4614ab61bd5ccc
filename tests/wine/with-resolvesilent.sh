#!/usr/bin/env bash
# Wrapper of the "resolvesilent" checks (see run-in-wine.sh): a name server that never answers.
exec "$(dirname "$0")/dns/with-dns.sh" silent "$@"
