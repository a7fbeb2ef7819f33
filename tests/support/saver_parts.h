// The saver window's parts as a test reads them, found by their object names.
#pragma once

#include "saver/move_list_panel.h"
#include "saver/saver_window.h"

#include <QLabel>
#include <gtest/gtest.h>

namespace pw2::test {

inline QLabel* label(const Saver& saver, const char* name) {
    auto* found = saver.findChild<QLabel*>(QLatin1String(name));
    EXPECT_NE(found, nullptr) << name;
    return found;
}

inline SaverTimer* timer(const Saver& saver, const char* name) {
    auto* found = saver.findChild<SaverTimer*>(QLatin1String(name));
    EXPECT_NE(found, nullptr) << name;
    return found;
}

inline MoveListPanel* moveList(const Saver& saver) {
    return saver.findChild<MoveListPanel*>(QStringLiteral("moveList"));
}

} // namespace pw2::test
