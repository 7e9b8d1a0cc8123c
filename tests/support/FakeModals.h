#pragma once
// A scripted Modals: records every message, error and dialog, answers the file
// dialog from a queue (nothing queued: the user cancels), and never blocks.

#include "Modals.h"

#include <QStringList>
#include <deque>

class FakeModals : public Modals {
public:
    struct Shown {
        enum Kind { Message, Error, FileDialog } kind;
        QString text; // the message, or for the dialog its name filter
    };

    std::vector<Shown> shown;
    std::deque<QString> fileAnswers; // a null QString cancels
    QStringList dialogStartNames;    // what each dialog was handed as the current name
    QWidget* lastParent = nullptr;   // the window the last box or dialog was shown over

    void message(QWidget* parent, const QString& text) override {
        lastParent = parent;
        shown.push_back({Shown::Message, text});
    }
    void error(QWidget* parent, const QString& text) override {
        lastParent = parent;
        shown.push_back({Shown::Error, text});
    }
    std::optional<QString> chooseOpenFile(QWidget* parent, const QString& filter,
                                          const QString& current) override {
        lastParent = parent;
        shown.push_back({Shown::FileDialog, filter});
        dialogStartNames << current;
        const QString answer = fileAnswers.empty() ? QString() : fileAnswers.front();
        if (!fileAnswers.empty())
            fileAnswers.pop_front();
        if (answer.isNull())
            return std::nullopt;
        return std::make_optional(answer);
    }

    QStringList messages() const { return texts(Shown::Message); }
    QStringList errors() const { return texts(Shown::Error); }
    void clear() { shown.clear(); }

private:
    QStringList texts(Shown::Kind kind) const {
        QStringList result;
        for (const auto& s : shown)
            if (s.kind == kind)
                result << s.text;
        return result;
    }
};
