#include "ui/ProgressWindow.h"

#include "store/Run.h"
#include "ui/LogLineDelegate.h"
#include "ui/LogModel.h"

#include <QApplication>

#include <QCloseEvent>
#include <QDeadlineTimer>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QListView>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>

#include <algorithm>
#include <climits>
#include <optional>

const char* const ProgressWindow::kStopQuestion
    = "Do you want to stop the run now?\r\n\r\nThe folder being worked on is left out, and the run is not "
      "complete.";
const char* const ProgressWindow::kStopTitle = "Stop?";

ProgressWindow::ProgressWindow(const WindowDefinition& definition, QWidget* parent)
    : QDialog(parent)
{
    m_log = new LogModel(this);
    // A list view over the log model: a run may log hundreds of thousands of
    // lines, each put on top, which a list of items would make quadratic.
    m_form = buildForm(*this, definition, [this](const ControlDefinition& c, QWidget* owner) -> QWidget* {
        if (c.name != "lstBackup")
            return nullptr;
        auto* view = new QListView(owner);
        view->setUniformItemSizes(true);
        view->setModel(m_log);
        view->setItemDelegate(new LogLineDelegate(view));
        view->setSelectionMode(QAbstractItemView::SingleSelection);
        view->setEditTriggers(QAbstractItemView::NoEditTriggers);
        return view;
    });
    m_lstBackup = m_form.get<QListView>("lstBackup");
    m_cmdDone = m_form.get<QPushButton>("cmdDone");
    m_lblBackuping = m_form.get<QLabel>("lblBackuping");
    m_timer = m_form.get<QTimer>("Timer1");
    connect(m_timer, &QTimer::timeout, this, [this] { Timer1_Timer(); });
    connect(m_cmdDone, &QPushButton::clicked, this, [this] { cmdDone_Click(); });
    // The log can be read and scrolled while the run is going.
    m_lstBackup->setEnabled(true);
    addProgressStrip();
}

void ProgressWindow::addProgressStrip()
{
    // Below the defined controls, which keep their places: the window grows
    // by the strip's height.
    constexpr int kStripHeight = 32;
    const QSize defined = size();
    auto* strip = new QWidget(this);
    strip->setGeometry(0, defined.height(), defined.width(), kStripHeight);
    // The strip paints its own background, in the window's colour: what
    // changes in it as folders are done then repaints the strip alone, not
    // the window below it as well.
    strip->setAutoFillBackground(true);
    auto* row = new QHBoxLayout(strip);
    row->setContentsMargins(8, 4, 8, 4);
    m_lblProgress = new QLabel(strip);
    m_barProgress = new QProgressBar(strip);
    m_barProgress->setRange(0, 0); // busy until the run knows its folders
    m_barProgress->setTextVisible(false);
    m_lblTime = new QLabel(strip);
    // Room for the usual texts from the start, so that the bar keeps its
    // length while the numbers and the estimate come and go.
    m_lblProgress->setMinimumWidth(fontMetrics().horizontalAdvance("Folders: 00000 of 00000"));
    m_lblTime->setMinimumWidth(fontMetrics().horizontalAdvance("Elapsed 00:00, about 00:00 left"));
    m_lblTime->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    row->addWidget(m_lblProgress);
    row->addWidget(m_barProgress, 1);
    row->addWidget(m_lblTime);
    setFixedSize(defined.width(), defined.height() + kStripHeight);
    m_clock = new QTimer(this);
    // Twice a second, so that the seconds shown never lag by a whole second.
    m_clock->setInterval(500);
    connect(m_clock, &QTimer::timeout, this, [this] { showTime(); });
}

namespace {

QString clockText(qint64 ms)
{
    const qint64 seconds = ms / 1000;
    if (seconds < 3600)
        return QString("%1:%2").arg(seconds / 60).arg(seconds % 60, 2, 10, QChar('0'));
    return QString("%1:%2:%3")
        .arg(seconds / 3600)
        .arg(seconds / 60 % 60, 2, 10, QChar('0'))
        .arg(seconds % 60, 2, 10, QChar('0'));
}

qint64 nowMs()
{
    return QDeadlineTimer::current().deadline();
}

} // namespace

namespace {

// How far the bar is: half by the folders done, half by the bytes worked
// through, the archivers' word on the folders under way included. Folders
// alone would leave it still for the whole of a large folder, bytes alone
// would show many empty folders done at once.
int barValue(const RunProgress& progress)
{
    if (progress.foldersTotal == 0)
        return ProgressWindow::kBarSteps;
    const double folders = static_cast<double>(std::min(progress.foldersDone, progress.foldersTotal))
        / static_cast<double>(progress.foldersTotal);
    double share = folders;
    if (progress.bytesTotal > 0) {
        const double bytes
            = static_cast<double>(std::min(progress.bytesDone + progress.bytesUnderWay, progress.bytesTotal))
            / static_cast<double>(progress.bytesTotal);
        share = (folders + bytes) / 2;
    }
    // Full only once every folder is done.
    const int value = static_cast<int>(share * ProgressWindow::kBarSteps);
    return progress.foldersDone >= progress.foldersTotal ? ProgressWindow::kBarSteps
                                                         : std::min(value, ProgressWindow::kBarSteps - 1);
}

} // namespace

void ProgressWindow::progress(const RunProgress& progress)
{
    const qint64 now = nowMs();
    if (m_startedMs < 0)
        m_startedMs = now;
    // The archivers' word inside the first folders is no new beginning.
    if (progress.foldersDone == 0 && progress.bytesUnderWay == 0)
        m_timeLeft.begin(progress, now);
    else
        m_timeLeft.update(progress, now);
    const std::size_t total = progress.foldersTotal;
    m_lblProgress->setText(QString("Folders: %1 of %2").arg(progress.foldersDone).arg(total));
    // A run with no folders has all of them done; a range of 0 to 0 would
    // show the bar busy.
    m_barProgress->setRange(0, kBarSteps);
    m_barProgress->setValue(barValue(progress));
    showTime();
}

void ProgressWindow::showTime()
{
    if (m_startedMs < 0)
        return;
    const qint64 now = nowMs();
    QString time = "Elapsed " + clockText(now - m_startedMs);
    if (const std::optional<std::int64_t> left = m_finished ? std::nullopt : m_timeLeft.left(now))
        time += ", about " + clockText(*left + 999) + " left"; // never "0:00" while work is left
    m_lblTime->setText(time);
}

ProgressWindow::~ProgressWindow() = default;

void ProgressWindow::AddLog(const std::string& text)
{
    m_log->addLine(text);
}

platform::MsgAnswer ProgressWindow::showMessage(const std::string& text, const std::string& title, int style)
{
    return platform::showMessage(text, title, style);
}

std::vector<std::string> ProgressWindow::logLines() const
{
    return m_log->lines();
}

void ProgressWindow::finishRun()
{
    m_log->flush();
    m_finished = true;
    m_clock->stop();
    showTime();
    // A run that ended before its folders (no date chosen, a failure at the
    // start) leaves the bar empty, not busy.
    if (m_barProgress->maximum() == 0)
        m_barProgress->setRange(0, 1);
    m_lstBackup->setEnabled(true);
    m_cmdDone->setVisible(true);
    m_cmdDone->raise();
    if (m_quitWhenFinished) {
        // Gone as "Done" makes it go: a run window still shown would refuse
        // the close that ending the program asks of every window, and the
        // program would stay open with its main window.
        cmdDone_Click();
        QCoreApplication::quit();
    }
}

bool ProgressWindow::stopRun()
{
    if (m_finished || !m_run || !m_timerStarted)
        return false;
    m_run->requestStop();
    return true;
}

void ProgressWindow::stopEveryRunAndQuit()
{
    bool going = false;
    for (QWidget* widget : QApplication::allWidgets()) {
        auto* window = qobject_cast<ProgressWindow*>(widget);
        if (window && window->stopRun()) {
            window->m_quitWhenFinished = true;
            going = true;
        }
    }
    // A run that is going quits the program at its end, after its closing steps.
    if (!going)
        QCoreApplication::quit();
}

void ProgressWindow::askToStop()
{
    if (m_finished || !m_run || m_run->stopRequested())
        return;
    const bool stop = platform::showMessage(kStopQuestion, kStopTitle, platform::kMsgQuestionNoDefault)
        == platform::MsgAnswer::Yes;
    // The run may have ended while the question was open.
    if (stop)
        stopRun();
}

void ProgressWindow::cmdDone_Click()
{
    hide();
}

void ProgressWindow::reject()
{
    // No cancel button: Escape and the dialog's own reject path do nothing.
}

void ProgressWindow::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (!m_timerStarted) {
        m_timerStarted = true;
        m_startedMs = nowMs();
        m_clock->start();
        m_timer->start();
    }
}

void ProgressWindow::closeEvent(QCloseEvent* event)
{
    // Closing mid-run would end the modal display with the run still going:
    // the user is asked whether to stop it instead. Once the run is over a
    // close request does what "Done" does.
    event->ignore();
    if (m_finished)
        cmdDone_Click();
    else
        askToStop();
}

void ProgressWindow::keyPressEvent(QKeyEvent* event)
{
    switch (event->key()) {
    case Qt::Key_Escape:
        event->accept();
        if (m_finished)
            cmdDone_Click();
        else
            askToStop();
        return;
    case Qt::Key_Enter:
    case Qt::Key_Return:
        event->accept();
        if (m_finished)
            cmdDone_Click();
        return;
    default:
        QDialog::keyPressEvent(event);
    }
}
