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
    auto* row = new QHBoxLayout(strip);
    row->setContentsMargins(8, 4, 8, 4);
    m_lblProgress = new QLabel(strip);
    m_barProgress = new QProgressBar(strip);
    m_barProgress->setRange(0, 0); // busy until the first folder is done
    m_barProgress->setTextVisible(false);
    m_lblTime = new QLabel(strip);
    row->addWidget(m_lblProgress);
    row->addWidget(m_barProgress, 1);
    row->addWidget(m_lblTime);
    setFixedSize(defined.width(), defined.height() + kStripHeight);
}

namespace {

QString clockText(qint64 ms)
{
    const qint64 seconds = ms / 1000;
    return QString("%1:%2").arg(seconds / 60).arg(seconds % 60, 2, 10, QChar('0'));
}

} // namespace

void ProgressWindow::progress(std::size_t done, std::size_t total)
{
    const qint64 now = QDeadlineTimer::current().deadline();
    if (m_startedMs < 0)
        m_startedMs = now;
    const qint64 elapsed = now - m_startedMs;
    m_lblProgress->setText(QString("Folders: %1 of %2").arg(done).arg(total));
    m_barProgress->setRange(0, static_cast<int>(std::min<std::size_t>(total, INT_MAX)));
    m_barProgress->setValue(static_cast<int>(std::min(done, total)));
    QString time = "Elapsed " + clockText(elapsed);
    // The folders so far set the pace for the rest.
    if (done > 0 && done < total)
        time += ", about "
            + clockText(elapsed * static_cast<qint64>(total - done) / static_cast<qint64>(done)) + " left";
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
    m_lstBackup->setEnabled(true);
    m_cmdDone->setVisible(true);
    m_cmdDone->raise();
    if (m_quitWhenFinished)
        QCoreApplication::quit();
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
        m_startedMs = QDeadlineTimer::current().deadline();
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
