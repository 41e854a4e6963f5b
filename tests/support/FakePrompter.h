#pragma once
// Records every box and dialog the program would show and answers from a script.
#include "ui/Prompter.h"

#include <QStringList>
#include <deque>
#include <functional>
#include <vector>

class FakePrompter : public Prompter {
public:
    struct Shown {
        enum Kind { Message, Ask, Error, OpenFiles, Modal } kind;
        QString text;
        QString title;
    };

    void Message(const QString& text, const QString& title) override { shown.push_back({Shown::Message, text, title}); }
    bool Ask(const QString& text, const QString& title) override
    {
        shown.push_back({Shown::Ask, text, title});
        if (answers.empty()) return false;
        const bool a = answers.front();
        answers.pop_front();
        return a;
    }
    void ShowError(const QString& message) override { shown.push_back({Shown::Error, message, QString()}); }
    QStringList OpenFiles(const OpenFilesRequest& request) override
    {
        lastOpenRequest = request;
        shown.push_back({Shown::OpenFiles, request.title, QString()});
        if (openResults.empty()) return {};
        QStringList r = openResults.front();
        openResults.pop_front();
        return r;
    }
    // A scripted modal run: the handler may fill the dialog's fields, then its result is returned.
    int ShowModal(QDialog& dialog) override
    {
        shown.push_back({Shown::Modal, QString(), QString()});
        if (modalHandlers.empty()) return mrCancel;
        auto h = modalHandlers.front();
        modalHandlers.pop_front();
        return h(dialog);
    }

    std::vector<Shown> shown;
    std::deque<bool> answers;                       // for Ask, in order; No when exhausted
    std::deque<QStringList> openResults;            // for OpenFiles; cancel when exhausted
    std::deque<std::function<int(QDialog&)>> modalHandlers;
    OpenFilesRequest lastOpenRequest;
};
