#include "MainFormFixture.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QGroupBox>
#include <QImage>

void MainFormTest::SetUp() {}

void MainFormTest::TearDown()
{
    form.reset();
    // No test may leave a cursor behind for the next one.
    while (QApplication::overrideCursor())
        QApplication::restoreOverrideCursor();
}

TMainForm& MainFormTest::MakeForm(QSize screen, const QStringList& startup)
{
    TMainFormEnv env{&prompter, SettingsPath(), screen, nullptr, startup};
    env.chooserTimer = false;  // the chooser is scripted through the prompter, never shown
    form = std::make_unique<TMainForm>(env);
    // Record where the popup would open instead of waiting in the menu.
    form->Popup().SetOpener([this](const QPoint& at) { popups.push_back(at); });
    return *form;
}

void MainFormTest::ShowWithClient(QSize client)
{
    form->show();
    const QSize now = form->centralWidget()->size();
    form->resize(form->size() + (client - now));
    QApplication::processEvents();
    Settle();
}

void MainFormTest::Pan(int panel, int dx, int dy, bool ctrl)
{
    const Qt::KeyboardModifiers shift = ctrl ? Qt::ControlModifier : Qt::NoModifier;
    // The picture follows the mouse: moving it from (dx, dy) to the corner moves the view by dx, dy.
    form->Image1MouseDown(panel, Qt::LeftButton, shift, dx, dy);
    form->PanZoom().MouseMove(panel, shift, 0, 0);
    form->PanZoom().MouseUp(Qt::LeftButton);
}

void MainFormTest::Settle()
{
    QElapsedTimer waited;
    waited.start();
    while ((form->Shown().Busy() || form->FocusAids().Busy()) && waited.elapsed() < 20000) {
        if (form->FocusAids().Busy() && !form->Shown().Busy())
            form->FocusAids().Settle();
        else
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    }
    ASSERT_FALSE(form->Shown().Busy()) << "the window did not settle";
}

void MainFormTest::Load(const QStringList& names)
{
    std::exception_ptr thrown;
    try {
        form->LoadPictures(names);
    } catch (...) {
        thrown = std::current_exception();
    }
    Settle();
    if (thrown)
        std::rethrow_exception(thrown);
}

QString MainFormTest::Picture(const QString& name, QSize size, QColor colour)
{
    QImage image(size, QImage::Format_RGB888);
    image.fill(colour);
    const QString path = folder.Path(name);
    if (!image.save(path))
        throw std::runtime_error("cannot write picture " + path.toStdString());
    return path;
}

QString MainFormTest::NotAPicture(const QString& name)
{
    return folder.Write(name, QByteArray("this is no picture\n"));
}

QString MainFormTest::ReadSettingsText() const
{
    QFile f(SettingsPath());
    if (!f.open(QIODevice::ReadOnly))
        return QString();
    return QString::fromUtf8(f.readAll());
}

void MainFormTest::WriteSettingsText(const QByteArray& text) const
{
    folder.Write("velumira.INI", text);
}

std::vector<QRect> MainFormTest::VisiblePanels() const
{
    std::vector<QRect> rects;
    for (QGroupBox* g : Groups())
        if (!g->isHidden())
            rects.push_back(g->geometry());
    return rects;
}

QStringList MainFormTest::ShownMessages() const
{
    QStringList messages;
    for (const auto& s : prompter.shown)
        if (s.kind == FakePrompter::Shown::Message)
            messages << s.title + QStringLiteral(": ") + s.text;
    return messages;
}

int MainFormTest::Errors() const
{
    int n = 0;
    for (const auto& s : prompter.shown)
        n += s.kind == FakePrompter::Shown::Error;
    return n;
}
