#pragma once
// A main window over a private folder: scripted prompter, its own settings file and a
// fixed screen size, plus small pictures written in code.
#include "support/FakePrompter.h"
#include "support/TestFolder.h"
#include "viewer/Mainunit.h"

#include <QMenu>
#include <QMenuBar>
#include <gtest/gtest.h>
#include <memory>
#include <vector>

class MainFormTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Makes the window (not shown) with the given screen size and start-up names.
    TMainForm& MakeForm(QSize screen = QSize(1280, 1024), const QStringList& startup = {});
    // Shows the window and makes its client area the given size.
    void ShowWithClient(QSize client);
    // Drags a picture through the image control handlers so that the shared view moves by
    // dx, dy, or with Ctrl only that panel's view.
    void Pan(int panel, int dx, int dy, bool ctrl = false);

    // Runs the event loop until the window's loads, steps and focus aids have brought
    // their results (the window never waits for them itself).
    void Settle();
    // LoadPictures, then Settle; what the load throws is thrown on after it settled.
    void Load(const QStringList& names);

    // A picture file of the given size (format by extension: .bmp or .jpg).
    QString Picture(const QString& name, QSize size, QColor colour = QColor(200, 60, 30));
    // A file that is no picture at all.
    QString NotAPicture(const QString& name);

    QString SettingsPath() const { return folder.Path("velumira.INI"); }
    QString ReadSettingsText() const;
    void WriteSettingsText(const QByteArray& text) const;

    // One of the window's dialogs, which it makes with itself and owns.
    template <class T>
    T* Dialog() const
    {
        return form->findChild<T*>(QString(), Qt::FindDirectChildrenOnly);
    }

    // One of the window's controls, timer or menu items by its name. Only the window's own
    // parts are searched: the dialogs name their controls alike.
    template <class T>
    T* Control(const QString& name) const
    {
        if (auto* direct = form->findChild<T*>(name, Qt::FindDirectChildrenOnly))
            return direct;
        for (QObject* part : form->children()) {
            const bool own = part == form->centralWidget() || part == form->menuBar() || qobject_cast<QMenu*>(part);
            if (T* found = own ? part->findChild<T*>(name) : nullptr)
                return found;
        }
        ADD_FAILURE() << "no control " << name.toStdString();
        return nullptr;
    }

    // The four panels' group boxes in order.
    std::vector<QGroupBox*> Groups() const
    {
        std::vector<QGroupBox*> groups;
        for (int i = 0; i < kPanelMax; ++i)
            groups.push_back(form->Panel(i).Group);
        return groups;
    }

    // Visible panels in order, as their group box geometries.
    std::vector<QRect> VisiblePanels() const;

    // Messages (OK boxes) shown so far, as "title: text".
    QStringList ShownMessages() const;
    int Errors() const;

    TestFolder folder;
    FakePrompter prompter;
    std::vector<QPoint> popups;  // screen points where the picture popup opened
    std::unique_ptr<TMainForm> form;
};
