#pragma once

#include "app/main_window/text_width.h"

#include <QLabel>
#include <QPixmap>

#include <optional>
#include <vector>

namespace pellavane {

/** A label of one line of plain text whose digits tick, as the summary's seconds do. It keeps a
 *  picture of itself: a new text that is the one shown with digits changed that keep every width
 *  draws just those digits into it, and a repaint only puts the picture back. Otherwise it looks
 *  and behaves as a QLabel with the same text, font, alignment and palette. */
class TickingLabel : public QLabel
{
public:
    explicit TickingLabel(QWidget* parent = nullptr);

    /** As setText, drawing only what changed when the text ticked. */
    void SetText(const QString& text);
    /** True when after is before with digits changed that keep every width in this label's font. */
    bool SameWidth(const QString& before, const QString& after);

protected:
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    int TextFlags() const;
    void Forget();
    void Draw(const QRect& area);

    std::optional<TickWidth> m_widths;
    QPixmap m_picture;
    /** What the picture shows once its stale part is drawn again. A text set past SetText, by
     *  QLabel's own setText, is drawn afresh. */
    QString m_pictureText;
    /** Of the text the picture shows, once a tick has asked for them. */
    std::vector<qreal> m_boundaries;
    /** Where the picture still shows an earlier text. */
    QRect m_stale;
};

} // namespace pellavane
