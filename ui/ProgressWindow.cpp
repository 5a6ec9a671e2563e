#include "ui/ProgressWindow.h"

#include "store/Run.h"
#include "ui/LogLineDelegate.h"
#include "ui/LogModel.h"

#include <QApplication>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QListView>
#include <QPushButton>
#include <QTimer>

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
