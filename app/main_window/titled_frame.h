#pragma once

#include <QGroupBox>
#include <QString>

namespace pellavane {

/** A frame whose shown caption is drawn by a small widget of its own in the frame's top edge, so
 *  that a caption changing every second repaints only the caption, not the frame and every control
 *  inside it. It looks exactly like a group box whose title is the caption. title() keeps the caption
 *  the frame was made with, as its name for accessibility and the designed caption. */
class TitledFrame : public QGroupBox
{
    Q_OBJECT
public:
    TitledFrame(const QString& caption, QWidget* parent = nullptr);

    QString Caption() const;
    /** Repaints the caption's own small area; a caption of another width also redraws the edge. */
    void SetCaption(const QString& caption);
    /** The widget that draws the caption. */
    QWidget* CaptionWidget() const noexcept;

protected:
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    class Title;
    void PlaceTitle();

    Title* m_title = nullptr;
};

} // namespace pellavane
