#pragma once
// Every message box, file-open dialog and modal dialog of the program goes through a
// Prompter, so tests can answer from a script instead of blocking in a modal loop.
#include <QString>
#include <QStringList>

class QDialog;
class QWidget;

struct OpenFilesRequest {
    QString title;
    QStringList filters;      // "label (patterns)" in order; the first one is selected
    QString initialName;      // initial file-name text
    QString directory;        // starting folder, may be empty
    QString defaultSuffix;
    bool multiple = true;
};

class Prompter {
public:
    enum ModalResult { mrNone = 0, mrOk = 1, mrCancel = 2 };

    virtual ~Prompter() = default;
    // OK box without icon.
    virtual void Message(const QString& text, const QString& title) = 0;
    // Yes/No box without icon; true for Yes.
    virtual bool Ask(const QString& text, const QString& title) = 0;
    // The application's standard error box for an exception that reached an event handler.
    virtual void ShowError(const QString& message) = 0;
    // The open dialog; empty list when cancelled. Files come back in the dialog's order.
    virtual QStringList OpenFiles(const OpenFilesRequest& request) = 0;
    // Shows a dialog modally and returns mrOk or mrCancel.
    virtual int ShowModal(QDialog& dialog) = 0;
};

// The real boxes and dialogs.
class QtPrompter : public Prompter {
public:
    explicit QtPrompter(QWidget* owner = nullptr) : FOwner(owner) {}
    void SetOwner(QWidget* owner) { FOwner = owner; }
    void Message(const QString& text, const QString& title) override;
    bool Ask(const QString& text, const QString& title) override;
    void ShowError(const QString& message) override;
    QStringList OpenFiles(const OpenFilesRequest& request) override;
    int ShowModal(QDialog& dialog) override;

private:
    QWidget* FOwner;
};

// Title of the standard error box.
inline const char* const kApplicationTitle = "Velumira";
