#include "backup/windows/frmExclude.h"

#include "backup/BackupPreview.h"
#include "exclude/ExcludePatterns.h"
#include "store/MainFields.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include <utility>

namespace {

// The main window's choices with the patterns being edited in place of the saved ones.
class EditedFields : public MainFields {
public:
    EditedFields(const MainFields& main, std::vector<std::string> patterns)
        : m_main(main)
        , m_patterns(std::move(patterns))
    {
    }
    std::string backupTarget() const override { return m_main.backupTarget(); }
    std::vector<std::string> sourceFolders() const override { return m_main.sourceFolders(); }
    std::string restoreTarget() const override { return m_main.restoreTarget(); }
    bool fullBackup() const override { return m_main.fullBackup(); }
    std::vector<std::string> exclusionPatterns() const override { return m_patterns; }
    bool backUpHiddenFolders() const override { return m_main.backUpHiddenFolders(); }

private:
    const MainFields& m_main;
    std::vector<std::string> m_patterns;
};

QString fromBytes(const std::string& text)
{
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// Bytes as a person reads them: "1.4 MB".
QString readableBytes(std::uint64_t bytes)
{
    const char* units[] = { "bytes", "KB", "MB", "GB", "TB" };
    double value = static_cast<double>(bytes);
    int unit = 0;
    while (value >= 1024 && unit < 4) {
        value /= 1024;
        ++unit;
    }
    return unit == 0 ? QString("%1 bytes").arg(bytes)
                     : QString("%1 %2").arg(value, 0, 'f', 1).arg(units[unit]);
}

} // namespace

frmExclude::frmExclude(
    const MainFields& main, const std::vector<std::string>& patterns, std::string appFolder, QWidget* parent)
    : QDialog(parent)
    , m_main(main)
    , m_appFolder(std::move(appFolder))
{
    setWindowTitle("Exclude");
    setObjectName("frmExclude");
    auto* layout = new QVBoxLayout(this);
    auto* help = new QLabel("What a backup leaves out, one pattern a line:\n"
                            "*.iso  a name anywhere;  node_modules/  a folder of that name anywhere;\n"
                            "/home/me/Videos/  that one place;  docs/*.tmp  below each source folder;\n"
                            "**/build/  at any depth;  [ab]  \\#  classes and escapes;  # a comment.\n"
                            "Folders holding a CACHEDIR.TAG are always left out.",
        this);
    layout->addWidget(help);
    m_txtPatterns = new QPlainTextEdit(this);
    m_txtPatterns->setObjectName("txtPatterns");
    QStringList lines;
    for (const std::string& pattern : patterns)
        lines << fromBytes(pattern);
    m_txtPatterns->setPlainText(lines.join('\n'));
    layout->addWidget(m_txtPatterns, 1);
    m_lblRefused = new QLabel(this);
    m_lblRefused->setObjectName("lblRefused");
    m_lblRefused->setWordWrap(true);
    layout->addWidget(m_lblRefused);

    auto* totalsLine = new QHBoxLayout;
    m_cmdTotals = new QPushButton("Show totals", this);
    m_cmdTotals->setObjectName("cmdTotals");
    m_cmdTotals->setAutoDefault(false);
    m_lblTotals = new QLabel(this);
    m_lblTotals->setObjectName("lblTotals");
    m_lblTotals->setWordWrap(true);
    totalsLine->addWidget(m_cmdTotals);
    totalsLine->addWidget(m_lblTotals, 1);
    layout->addLayout(totalsLine);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setObjectName("cmdOK");
    buttons->button(QDialogButtonBox::Cancel)->setObjectName("cmdCancel");
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(m_cmdTotals, &QPushButton::clicked, this, [this] { cmdTotals_Click(); });
    connect(m_txtPatterns, &QPlainTextEdit::textChanged, this, [this] {
        showRefusals();
        // Totals of other patterns would mislead.
        m_lblTotals->clear();
    });
    showRefusals();
    resize(560, 420);
}

std::vector<std::string> frmExclude::patterns() const
{
    std::vector<std::string> lines;
    for (const QString& line : m_txtPatterns->toPlainText().split('\n')) {
        const QByteArray bytes = line.toUtf8();
        lines.emplace_back(bytes.constData(), static_cast<std::size_t>(bytes.size()));
    }
    while (!lines.empty() && lines.back().find_first_not_of(" \t") == std::string::npos)
        lines.pop_back();
    while (!lines.empty() && lines.front().find_first_not_of(" \t") == std::string::npos)
        lines.erase(lines.begin());
    return lines;
}

void frmExclude::showRefusals()
{
    QStringList refused;
    const ExcludePatterns parsed(patterns());
    for (const std::string& line : parsed.refusals())
        refused << fromBytes(line);
    m_lblRefused->setText(refused.join('\n'));
}

void frmExclude::cmdTotals_Click()
{
    m_cmdTotals->setEnabled(false);
    m_lblTotals->setText("Walking the source folders...");
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    QApplication::processEvents();
    const EditedFields fields(m_main, patterns());
    const BackupPreview preview = PreviewBackup(fields, m_appFolder);
    QGuiApplication::restoreOverrideCursor();
    m_lblTotals->setText(
        QString("A backup would store %1 folders, %2 files, %3; it leaves out %4 folders and %5 files.")
            .arg(preview.folders.size())
            .arg(preview.files)
            .arg(readableBytes(preview.bytes))
            .arg(preview.foldersLeftOut)
            .arg(preview.filesLeftOut));
    m_cmdTotals->setEnabled(true);
}
