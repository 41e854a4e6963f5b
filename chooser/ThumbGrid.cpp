#include "chooser/ThumbGrid.h"

#include <QFont>
#include <QFontMetrics>
#include <QPainter>
#include <algorithm>

QColor CellColor(uint8_t marks)
{
    switch (marks & (SelectMark | CurrentMark)) {
    case CurrentMark:
        return QColor(144, 144, 144);
    case SelectMark:
        return QColor(160, 64, 0);
    case SelectMark | CurrentMark:
        return QColor(192, 96, 128);
    default:
        return QColor(96, 96, 96);
    }
}

QString CutName(const QString& name)
{
    const QByteArray utf8 = name.toUtf8();
    qsizetype cut = std::min<qsizetype>(NameCutBytes, utf8.size());
    // Step back over continuation bytes so the cut never splits a character.
    if (cut < utf8.size())
        while (cut > 0 && (static_cast<unsigned char>(utf8[cut]) & 0xC0) == 0x80)
            --cut;
    return QString::fromUtf8(utf8.left(cut)) + QStringLiteral("...");
}

void TThumbGrid::LayoutGrid(int width, int height, int count, int currentIndex)
{
    Columns = count > 0 ? std::max((width - 4) / CellWidth, 1) : 1;
    VisibleRows = std::max((height - 8) / CellHeight, 1);
    FullRows = count / Columns;
    TopRow = currentIndex >= 0 ? currentIndex / Columns - VisibleRows / 2 : 0;
    if (TopRow < 0)
        TopRow = 0;
    else if (TopRow >= FullRows)
        TopRow = FullRows - 1;
    if (FullRows < VisibleRows) {
        TopRow = 0;
        ScrollPosition = 0;
        ScrollEnabled = false;
    } else {
        ScrollMax = FullRows - 1;
        ScrollPage = VisibleRows;
        ScrollPosition = TopRow;
        ScrollEnabled = true;
    }
}

namespace {

void FrameRect(QPainter& p, const QRect& r, const QColor& c)
{
    p.fillRect(QRect(r.left(), r.top(), r.width(), 1), c);
    p.fillRect(QRect(r.left(), r.bottom(), r.width(), 1), c);
    p.fillRect(QRect(r.left(), r.top(), 1, r.height()), c);
    p.fillRect(QRect(r.right(), r.top(), 1, r.height()), c);
}

QFont NameFont()
{
    QFont font;
    font.setPointSize(7);
    // Small names read better unsmoothed, and the cell keeps exactly two colours.
    font.setStyleStrategy(QFont::NoAntialias);
    return font;
}

} // namespace

void TThumbGrid::DrawCell(QImage& canvas, int left, int top, const TPictEntry& e)
{
    QPainter p(&canvas);
    const QColor cell = CellColor(e.Marks);
    const QRect cellRect(left, top, CellWidth, CellHeight);
    p.fillRect(cellRect, cell);
    FrameRect(p, cellRect, GridFrameColor);

    const QRect thumbBox(left + 8, top + 4, CellWidth - 16, 64);
    if (e.ThumbShape != 0 && !e.Thumbnail.isNull()) {
        p.drawImage(thumbBox.topLeft(), e.Thumbnail);
    } else {
        p.fillRect(thumbBox, cell);
        FrameRect(p, thumbBox, GridLineColor);
        p.setPen(QPen(GridLineColor, 0));
        p.drawLine(thumbBox.topLeft(), thumbBox.bottomRight());
    }

    if (e.InfoLevel >= 1) {
        const QRect nameBox(left + 4, top + 74, CellWidth - 8, CellHeight - 1 - 74);
        const QFont font = NameFont();
        p.setFont(font);
        p.setPen(GridLineColor);
        p.setBackground(cell);
        p.setBackgroundMode(Qt::OpaqueMode);
        const QFontMetrics metrics(font);
        const QString text =
            metrics.horizontalAdvance(e.FileName) < NameWidthLimit ? e.FileName : CutName(e.FileName);
        p.setClipRect(nameBox);
        p.drawText(nameBox, Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, text);
    }
}

void TThumbGrid::DrawGrid(QImage& canvas, const TViewList& list) const
{
    canvas.fill(GridBackColor);
    const int count = list.Count();
    int i = TopRow * Columns;
    for (int j = 0; j <= VisibleRows && i < count; ++j)
        for (int k = 0; k < Columns && i < count; ++k, ++i)
            DrawCell(canvas, k * CellWidth, j * CellHeight, *list.Entry(i));
}

int TThumbGrid::HitTest(int x, int y, int width, int height, int count) const
{
    if (x < 0 || x >= width || y < 0 || y >= height || x / CellWidth >= Columns)
        return -1;
    const int index = Columns * (TopRow + y / CellHeight) + x / CellWidth;
    return index >= 0 && index < count ? index : -1;
}
