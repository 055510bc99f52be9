// A common dark desktop scheme, shared by the screenshots and the tests (window #31363b, text #eff0f1, fields #1b1e20);
// the link colour stays the toolkit's own blue.
#pragma once
#include <QPalette>
#include <utility>

namespace test {

inline QPalette darkPalette() {
  QPalette p(QColor(0x31363b), QColor(0x31363b));
  for (auto [role, rgb] : {std::pair{QPalette::WindowText, 0xeff0f1},
                           {QPalette::Text, 0xeff0f1},
                           {QPalette::ButtonText, 0xeff0f1},
                           {QPalette::Base, 0x1b1e20},
                           {QPalette::AlternateBase, 0x232629},
                           {QPalette::Highlight, 0x3daee9},
                           {QPalette::HighlightedText, 0xeff0f1},
                           {QPalette::ToolTipBase, 0x31363b},
                           {QPalette::ToolTipText, 0xeff0f1}})
    p.setColor(role, QColor(rgb));
  return p;
}

}  // namespace test
