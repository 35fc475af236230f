#pragma once
// Which way a single-line text reads: a text turned past a quarter turn and up to three quarters
// reads upside down, and half a turn more or less makes it read left to right or bottom to top.

// `rotation` in [0, 2 pi), whatever whole turns it held.
double normalizedRotation(double rotation);

// The rotation at which a text at `rotation` (normalised) reads the right way up: `rotation`
// itself when it already does. A rotation within 1e-6 above a quarter turn still reads bottom
// to top; one within 1e-6 above three quarters still reads upside down.
double readableRotation(double rotation);
