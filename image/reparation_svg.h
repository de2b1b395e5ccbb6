#pragma once
// What the converters write is not always well-formed SVG; these make it so, for our own
// drawing and for anyone who compares with the converters' own output.

#include <QByteArray>

// libwmf's SVG: texts written raw in the Windows code page without XML escapes, control
// characters, the xlink prefix used without being declared, and rectangles of negative size.
QByteArray reparerSvgWmf(const QByteArray& svg);

// libemf2svg's SVG: control characters, texts in CDATA sections that a "]]>" would end, and
// texts of size zero (which Qt SVG would draw at its default size).
QByteArray reparerSvgEmf(const QByteArray& svg);
