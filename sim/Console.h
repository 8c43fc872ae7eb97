#pragma once
// The console page served at /_sim/: one HTML file with its script and style inline, compiled
// into the binary (sim/console/console.html), so it works offline. It reads only the control API.

#include <string>

namespace unitysim {

const std::string& consolePage();
// Content-Security-Policy for the page: its own inline script and style (by their SHA-256) and
// requests to its own origin; nothing else loads or runs, even if markup slipped into the page.
const std::string& consoleSecurityPolicy();

// The embedded page text (generated from sim/console/console.html).
const char* consolePageText();

}  // namespace unitysim
