#!/usr/bin/env bash
# Wrapper of the "stress" checks (see run-in-wine.sh): a name server that answers.
exec "$(dirname "$0")/dns/with-dns.sh" answering "$@"
