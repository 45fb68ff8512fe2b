/* SPDX-License-Identifier: GPL-3.0-or-later */
/* Compiled with sdcc at build time only for the .noi and .map files it leaves beside the program. */
int counter;

void helper(void) { counter++; }

void main(void) {
  for (;;) helper();
}
