// The settings panel's description for the page, walked from the settings table and the
// dialog's form: each setting with its control, caption, range, items and colour row, the
// panel's labels and buttons, and the colour names. JSON, texts in UTF-8.
#pragma once

#include <string>

std::string PanelFormJson();
