// The demo page served at /: plain HTML and JavaScript from demo.html.
#pragma once

#include <string_view>

extern const std::string_view bridgeDemoPage;
