#!/bin/sh
# SPDX-FileCopyrightText: 2026 Kestrune
# SPDX-License-Identifier: GPL-3.0-or-later

# reuse lint on exactly the files that git tracks, as they are in the work tree, copied apart so
# that build folders, editors' backups and other untracked files are not read.
# Usage: licences.sh SOURCE_DIR
set -eu
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$1"
git ls-files -z | xargs -0 cp --parents -t "$work"
reuse --root "$work" lint
