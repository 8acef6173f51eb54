#include "app/main_window/qt_adapters.h"

#include "app/main_window/titled_frame.h"
#include "engine/monitor/schedule.h"

#include <QAbstractItemView>
#include <QBuffer>
#include <QCoreApplication>
#include <QFile>
#include <QGroupBox>
#include <QImageReader>
#include <QItemSelectionModel>
#include <QLabel>
#include <QMessageBox>
#include <QPixmap>
#include <QProgressBar>
#include <QPushButton>
#include <QScopeGuard>
#include <QWidget>

#include <algorithm>
#include <stdexcept>

namespace pellavane {

QtTimer::QtTimer(std::function<void()> onTick) : m_onTick(std::move(onTick))
{
    m_timer.setTimerType(Qt::PreciseTimer);
    QObject::connect(&m_timer, &QTimer::timeout, [this] {
        // The short first tick is over: from now on a full interval, counted from this tick.
        if (m_firstTick > 0) {
            m_firstTick = 0;
            Restart();
        }
        if (m_onTick)
            m_onTick();
    });
}

void QtTimer::SetInterval(int milliseconds)
{
    if (milliseconds < 0)
        throw std::invalid_argument("Invalid timer interval " + std::to_string(milliseconds) +
                                    ": it must be 0 or more milliseconds");
    m_interval = milliseconds;
    m_firstTick = 0;
    Restart();
}

void QtTimer::SetIntervalWithFirstTick(int milliseconds, int firstTick)
{
    if (firstTick < 1)
        throw std::invalid_argument("Invalid first tick " + std::to_string(firstTick) +
                                    ": it must be 1 or more milliseconds");
    SetInterval(milliseconds);
    m_firstTick = firstTick;
    Restart();
}

void QtTimer::SetEnabled(bool enabled)
{
    if (enabled == m_enabled)
        return;
    m_enabled = enabled;
    Restart();
}

void QtTimer::Restart()
{
    if (m_enabled && m_interval > 0)
        m_timer.start(m_firstTick > 0 ? m_firstTick : m_interval);
    else
        m_timer.stop();
}

std::string GroupBoxCaption::Caption() const
{
    if (const auto* titled = qobject_cast<const TitledFrame*>(&m_box))
        return titled->Caption().toStdString();
    return m_box.title().toStdString();
}

void GroupBoxCaption::SetCaption(const std::string& caption)
{
    // A title set on the box repaints the whole box and all inside it and relays it out.
    if (auto* titled = qobject_cast<TitledFrame*>(&m_box))
        titled->SetCaption(QString::fromStdString(caption));
    else
        m_box.setTitle(QString::fromStdString(caption));
}

std::string PushButtonCaption::Caption() const
{
    return m_button.text().toStdString();
}

void PushButtonCaption::SetCaption(const std::string& caption)
{
    m_button.setText(QString::fromStdString(caption));
}

QtProgressBar::QtProgressBar(QProgressBar& bar) : m_bar(bar)
{
    m_maximum = bar.maximum();
    m_position = std::max(0, bar.value());
    Show();
}

void QtProgressBar::SetMaximum(int maximum)
{
    m_maximum = maximum;
    Show();
}

void QtProgressBar::SetPosition(int position)
{
    m_position = position;
    Show();
}

void QtProgressBar::Set(int maximum, int position)
{
    m_maximum = maximum;
    m_position = position;
    Show();
}

void QtProgressBar::Show()
{
    if (m_maximum <= 0) {
        m_bar.setRange(0, 1);
        m_bar.setValue(0);
        return;
    }
    // Each call repaints the bar; a tick changes only the position.
    if (m_bar.minimum() != 0 || m_bar.maximum() != m_maximum) {
        m_bar.setRange(0, m_maximum);
    }
    m_bar.setValue(std::clamp(m_position, 0, m_maximum));
}

namespace {

QModelIndex SelectedIndex(const QAbstractItemView& view)
{
    const QItemSelectionModel* selection = view.selectionModel();
    if (selection == nullptr)
        return {};
    const QModelIndexList rows = selection->selectedIndexes();
    return rows.isEmpty() ? QModelIndex() : rows.first();
}

} // namespace

std::optional<std::string> ItemViewSelection::SelectedText() const
{
    const QModelIndex index = SelectedIndex(m_view);
    if (!index.isValid())
        return std::nullopt;
    return index.data(Qt::DisplayRole).toString().toStdString();
}

std::optional<int> ItemViewSelection::SelectedPosition() const
{
    const QModelIndex index = SelectedIndex(m_view);
    if (!index.isValid())
        return std::nullopt;
    return index.row() + 1;
}

void ItemViewSelection::SelectPosition(int position)
{
    QAbstractItemModel* model = m_view.model();
    const int count = model != nullptr ? model->rowCount(m_view.rootIndex()) : 0;
    if (position < 1 || position > count)
        throw std::out_of_range("Index out of bounds: the list has no row " + std::to_string(position));
    const QModelIndex index = model->index(position - 1, 0, m_view.rootIndex());
    m_selecting = true;
    const auto done = qScopeGuard([this] { m_selecting = false; });
    m_view.selectionModel()->setCurrentIndex(index,
                                             QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    m_view.scrollTo(index);
}

WindowPointer::WindowPointer(QWidget& window) : m_window(window), m_custom(Qt::PointingHandCursor) {}

void WindowPointer::SetPointer(int pointer)
{
    switch (pointer) {
    case kPointerDefault:
        m_window.setCursor(Qt::ArrowCursor);
        break;
    case kPointerHourglass:
        m_window.setCursor(Qt::WaitCursor);
        break;
    case kPointerCustom:
        m_window.setCursor(m_custom);
        break;
    default:
        throw std::invalid_argument("Invalid property value: " + std::to_string(pointer) +
                                    " is not a mouse pointer of this window");
    }
    m_pointer = pointer;
}

void WindowPointer::SetCustomCursor(const QCursor& cursor)
{
    m_custom = cursor;
    if (m_pointer == kPointerCustom)
        m_window.setCursor(m_custom);
}

namespace {

std::runtime_error CursorError(const QString& path, const QString& reason)
{
    return std::runtime_error(
        QStringLiteral("Cannot load the cursor file '%1': %2").arg(path, reason).toStdString());
}

unsigned ReadLe16(const QByteArray& data, int at)
{
    return static_cast<unsigned char>(data[at]) |
           (static_cast<unsigned>(static_cast<unsigned char>(data[at + 1])) << 8);
}

} // namespace

QCursor LoadCursorFile(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw CursorError(path, file.errorString());
    const QByteArray data = file.readAll();
    // Header (reserved 0, type 2 = cursor, count) and the first entry, whose bytes 4 to 7 hold the
    // hot spot; the image reader does not report it.
    constexpr int kHeaderAndEntry = 6 + 16;
    if (data.size() < kHeaderAndEntry || ReadLe16(data, 0) != 0 || ReadLe16(data, 2) != 2 ||
        ReadLe16(data, 4) == 0)
        throw CursorError(path, QStringLiteral("not a cursor file"));
    const int hotX = static_cast<int>(ReadLe16(data, 6 + 4));
    const int hotY = static_cast<int>(ReadLe16(data, 6 + 6));

    QBuffer buffer;
    buffer.setData(data);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, "cur");
    const QImage image = reader.read();
    if (image.isNull())
        throw CursorError(path, reader.errorString());
    return QCursor(QPixmap::fromImage(image), std::min(hotX, image.width() - 1),
                   std::min(hotY, image.height() - 1));
}

void WindowScheduleView::ShowCountdown(const std::string& text)
{
    m_frame1.SetCaption(text);
}

void WindowScheduleView::ShowProgress(int maximum, int position)
{
    m_progressBar1.Set(maximum, position);
}

void WindowScheduleView::ShowSwitch(bool on)
{
    m_pushButton5.SetCaption(on ? kCaptionTurnOff : kCaptionTurnOn);
}

void WindowScheduleView::ShowBusy(bool busy)
{
    m_pointer.SetPointer(busy ? kPointerHourglass : kPointerDefault);
}

EventPump QtEventPump()
{
    return [] { QCoreApplication::processEvents(); };
}

LabelRecordHealth::LabelRecordHealth(QLabel& label, std::vector<QWidget*> replaced)
    : m_label(label), m_replaced(std::move(replaced))
{
    m_label.hide();
}

void LabelRecordHealth::RecordsFailing(const std::string& reason)
{
    const QString text = QString::fromStdString(reason);
    // The line is narrow; the whole reason stays in the tool tip.
    const QString line = QStringLiteral("Logging failed: %1").arg(text);
    m_label.setText(m_label.fontMetrics().elidedText(line, Qt::ElideRight, std::max(0, m_label.width() - 4)));
    m_label.setToolTip(text);
    for (QWidget* widget : m_replaced) {
        widget->hide();
    }
    m_label.show();
}

void LabelRecordHealth::RecordsWorkingAgain()
{
    m_label.hide();
    m_label.clear();
    m_label.setToolTip(QString());
    for (QWidget* widget : m_replaced) {
        widget->show();
    }
}

QString ReportBoxText(const std::string& reportText)
{
    QString text = QString::fromStdString(reportText);
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return text;
}

MessageBoxErrorReporter::MessageBoxErrorReporter(QWidget* parent, std::string supportAddress)
    : m_parent(parent), m_supportAddress(std::move(supportAddress))
{}

void MessageBoxErrorReporter::ReportError(const std::string& tag, int line, const std::string& description)
{
    QMessageBox box(QMessageBox::Warning, QString::fromLatin1(kErrorBoxCaption),
                    ReportBoxText(ErrorReportText(description, tag, line, m_supportAddress)), QMessageBox::Ok,
                    m_parent);
    // A description can quote a file name or a command's output; never read it as markup.
    box.setTextFormat(Qt::PlainText);
    box.setObjectName(QStringLiteral("ErrorReportBox"));
    box.exec();
}

} // namespace pellavane
