#!/bin/sh
# usage: check-i686-calls.sh <i686 g++> <i686 objdump> <orbnativecall.cpp> <work dir>
# Compiles the call thunks with the product's release flags and checks their stack
# handling in the disassembly (the x86_64 test build cannot run i686 code).
set -e
cxx=$1 objdump=$2 src=$3 work=$4
mkdir -p "$work"
"$cxx" -std=c++17 -O3 -DNDEBUG -DUNICODE -D_UNICODE -DNOMINMAX -D_WIN32_WINNT=0x0601 \
  -Wall -Wextra -Werror -I"$(dirname "$src")" -c "$src" -o "$work/orbnativecall-i686.o"
"$objdump" -d -C --no-show-raw-insn "$work/orbnativecall-i686.o" > "$work/orbnativecall-i686.s"
python3 "$(dirname "$0")/check-i686-calls.py" < "$work/orbnativecall-i686.s"
