// Helpers shared by the library's tests: scripted boxes and a temporary folder.
#pragma once

#include <Pagivex/Pagivex.h>

#include "UiHooks.h"

#include <QStringList>
#include <QTemporaryDir>
#include <deque>
#include <gtest/gtest.h>

namespace PreviewTest {

// Answers the library's input boxes from a queue (nullopt = cancel) and records every prompt
// and message shown; restores the real boxes when it goes.
class ScriptedBoxes {
public:
    ScriptedBoxes() {
        Pagivex::Ui::InputBoxHook() = [this](const QString& prompt, const QString& title, const QString& def)
            -> std::optional<QString> {
            prompts << prompt;
            titles << title;
            defaults << def;
            if (answers.empty()) return std::nullopt;
            const std::optional<QString> answer = answers.front();
            answers.pop_front();
            if (!answer) return std::nullopt;
            return QString(*answer);
        };
        Pagivex::Ui::MsgBoxHook() = [this](const QString& prompt, int style, const QString&) {
            messages << prompt;
            styles << style;
            return 1;
        };
    }
    ~ScriptedBoxes() {
        Pagivex::Ui::InputBoxHook() = nullptr;
        Pagivex::Ui::MsgBoxHook() = nullptr;
    }
    std::deque<std::optional<QString>> answers;
    QStringList prompts, titles, defaults, messages;
    QList<int> styles;
};

}  // namespace PreviewTest
