#pragma once
// The forms' font: the designed "ＭＳ Ｐゴシック" where it is installed, else Noto Sans CJK JP,
// else the system's, at the designed pixel size.
//
// The forms were drawn for a face whose line is as high as its pixel size. Noto Sans CJK's
// line is nearly half as high again (its ascent leaves room for marks that Japanese text and
// file names hardly use), so at the designed size its descenders and underscores fall under
// the next control. The fitted fonts below keep the designed size where the face allows it
// and step down only as far as the box needs.
#include <QApplication>
#include <QFont>
#include <QFontMetrics>
#include <QPainter>
#include <QStyle>
#include <QStyledItemDelegate>
#include <QWidget>

inline QFont FormFont(int pixelSize = 15)
{
    QFont font;
    font.setFamilies({QStringLiteral("MS PGothic"), QStringLiteral("Noto Sans CJK JP")});
    font.setPixelSize(pixelSize);
    return font;
}

inline void ApplyFormFont(QWidget& form, int pixelSize = 15) { form.setFont(FormFont(pixelSize)); }

// Smallest size a fitted font goes down to: below it Japanese is no longer legible.
inline constexpr int kSmallestFormFont = 9;

// Pixels above the baseline that the tallest glyphs of file names and captions really use:
// accented capitals, brackets and kanji.
inline int InkAscent(const QFontMetrics& metrics)
{
    return -metrics.tightBoundingRect(QStringLiteral("ÅÉÇ|[]{}整理撮影")).top();
}

// A tight line: the ink above the baseline and the full descent below it, so underscores and
// descenders always show.
inline int TightLineHeight(const QFont& font)
{
    const QFontMetrics metrics(font);
    return InkAscent(metrics) + metrics.descent();
}

// The baseline that puts a tight line in the middle of a box (the same as the full line when
// that fits).
inline int TightBaseline(const QFontMetrics& metrics, int boxTop, int boxHeight)
{
    if (metrics.height() <= boxHeight)
        return boxTop + (boxHeight - metrics.height() + 1) / 2 + metrics.ascent();
    const int ink = InkAscent(metrics);
    return boxTop + (boxHeight - ink - metrics.descent() + 1) / 2 + ink;
}

// Height that a framed control (push button, line edit) of the given height leaves its text.
inline int FramedTextHeight(int boxHeight, const QWidget* widget = nullptr)
{
    const QStyle* style = widget ? widget->style() : QApplication::style();
    return boxHeight - 2 * style->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, widget);
}

// The form font at the designed size, or the largest smaller one whose full line (as every
// stock control lays it out) fits lineHeight.
inline QFont FittedFont(int designedPixelSize, int lineHeight)
{
    int size = designedPixelSize;
    while (size > kSmallestFormFont && QFontMetrics(FormFont(size)).height() > lineHeight)
        --size;
    return FormFont(size);
}

// The same for text that this program draws itself on a tight line.
inline QFont TightFittedFont(int designedPixelSize, int lineHeight)
{
    int size = designedPixelSize;
    while (size > kSmallestFormFont && TightLineHeight(FormFont(size)) > lineHeight)
        --size;
    return FormFont(size);
}

// List rows of a fixed designed height, their text drawn on a tight line so that the view's
// font can stay as large as the row allows.
class TFittedRowDelegate : public QStyledItemDelegate {
public:
    TFittedRowDelegate(int rowHeight, QObject* parent) : QStyledItemDelegate(parent), FRowHeight(rowHeight) {}

    int RowHeight() const { return FRowHeight; }

    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        return QSize(QStyledItemDelegate::sizeHint(option, index).width(), FRowHeight);
    }

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        QStyleOptionViewItem item(option);
        initStyleOption(&item, index);
        const QString text = item.text;
        item.text.clear();
        const QWidget* view = item.widget;
        QStyle* style = view ? view->style() : QApplication::style();
        style->drawControl(QStyle::CE_ItemViewItem, &item, painter, view);

        item.text = text;
        const QRect box = style->subElementRect(QStyle::SE_ItemViewItemText, &item, view);
        const int margin = style->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, view) + 1;
        const QFontMetrics metrics(item.font);
        const QPalette::ColorGroup group = !(item.state & QStyle::State_Enabled) ? QPalette::Disabled
                                           : (item.state & QStyle::State_Active) ? QPalette::Active
                                                                                 : QPalette::Inactive;
        painter->save();
        painter->setClipRect(box);
        painter->setFont(item.font);
        painter->setPen(item.palette.color(
            group, (item.state & QStyle::State_Selected) ? QPalette::HighlightedText : QPalette::Text));
        painter->drawText(box.left() + margin, TightBaseline(metrics, box.top(), box.height()),
                          metrics.elidedText(text, item.textElideMode, box.width() - 2 * margin));
        painter->restore();
    }

private:
    int FRowHeight;
};
