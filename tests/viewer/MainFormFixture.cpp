#include "MainFormFixture.h"

#include <QApplication>
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
    form = std::make_unique<TMainForm>(env);
    return *form;
}

void MainFormTest::ShowWithClient(QSize client)
{
    form->show();
    const QSize now = form->ClientSize();
    form->resize(form->size() + (client - now));
    QApplication::processEvents();
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
    for (QGroupBox* g : form->Grp)
        if (!g->isHidden())
            rects.push_back(g->geometry());
    return rects;
}
