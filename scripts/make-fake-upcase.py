#!/usr/bin/env python3
# Writes platform/FakeUpcase.cpp, the fake platform's upper-case table:
#   python3 scripts/make-fake-upcase.py > platform/FakeUpcase.cpp
import unicodedata
pairs = []
for c in range(0x80, 0x10000):
    if 0xD800 <= c <= 0xDFFF: continue
    ch = chr(c)
    up = ch.upper()
    if len(up) != 1:  # a full mapping of several characters ("ß" is "SS"): the simple one
        t = ch.title()
        up = t if len(t) == 1 else ch
    if up != ch and ord(up) < 0x10000:
        pairs.append((c, ord(up)))
runs = []  # first unit, count, delta, stride
for c, u in pairs:
    d = u - c
    if runs:
        f, n, dd, st = runs[-1]
        last = f + (n - 1) * st
        if dd == d and ((n == 1 and c - last in (1, 2)) or (n > 1 and c - last == st)):
            runs[-1] = (f, n + 1, d, c - last if n == 1 else st)
            continue
    runs.append((c, 1, d, 1))
rows = ",\n".join("    {0x%04X, %d, %d, %d}" % r for r in runs)
print("""// Generated: do not edit. The upper case of every UTF-16 unit past ASCII, as a table of runs,
// made by scripts/make-fake-upcase.py from Python %s's unicodedata (Unicode %s):
//
//   for each unit c from 0x80 to 0xFFFF but the surrogates: u = chr(c).upper(); when that is
//   several characters ("\\u00DF" is "SS"), u = chr(c).title() if that is one, else c itself;
//   keep c -> u when u differs and lies in the BMP; then group the pairs into runs of equal
//   delta whose units are 1 or 2 apart (A-with-macron, a-with-macron, ... alternate).
//
// Windows upper-cases a name one UTF-16 unit at a time with such a table (NTFS keeps its own in
// $UpCase): a character with no one-unit capital, or outside the BMP, stays as it is.
#include <algorithm>
#include <cstdint>
#include <iterator>

#include "platform/FakePaths.h"

namespace varnolt::fake {
namespace {

struct Run {
  std::uint16_t first;
  std::uint16_t count;
  std::int32_t delta;
  std::uint16_t stride;
};

constexpr Run kRuns[] = {
%s,
};

}  // namespace

char16_t UpcaseUnit(char16_t unit) {
  if (unit < 0x80) return unit >= u'a' && unit <= u'z' ? static_cast<char16_t>(unit - 0x20) : unit;
  const auto after = std::upper_bound(std::begin(kRuns), std::end(kRuns), unit,
                                      [](char16_t value, const Run& run) { return value < run.first; });
  if (after == std::begin(kRuns)) return unit;
  const Run& run = *std::prev(after);
  const unsigned offset = unit - run.first;
  if (offset %% run.stride != 0 || offset / run.stride >= run.count) return unit;
  return static_cast<char16_t>(unit + run.delta);
}

}  // namespace varnolt::fake""" % (__import__('sys').version.split()[0], unicodedata.unidata_version, rows))
