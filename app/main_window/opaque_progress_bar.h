#pragma once

#include <QProgressBar>

namespace pellavane {

/** A progress bar that paints its whole rectangle, its parent's background where the style leaves
 *  the bar's corners bare, so that a step of the bar repaints the bar alone and not the frame and
 *  the window beneath it too. It looks as a stock bar does on that parent. */
class OpaqueProgressBar : public QProgressBar
{
    Q_OBJECT
public:
    explicit OpaqueProgressBar(QWidget* parent = nullptr);

protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
};

} // namespace pellavane
