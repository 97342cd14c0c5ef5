#pragma once

// The dialog's UTF-16 texts as Qt string views, without a copy.

#include <QStringView>

#include <string_view>

namespace tbt::ui {

inline QStringView View(std::u16string_view text) {
  return QStringView(text.data(), static_cast<qsizetype>(text.size()));
}

}  // namespace tbt::ui
