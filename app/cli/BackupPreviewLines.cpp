#include "app/cli/BackupPreviewLines.h"

#include "backup/BackupPreview.h"
#include "platform/TextConversion.h"

#include <ostream>

void WriteBackupPreview(const BackupPreview& preview, std::ostream& out)
{
    for (const PreviewFolder& folder : preview.folders)
        out << "back up\t" << folder.path << '\t' << folder.files << " files\t" << folder.bytes << " bytes\n";
    for (const PreviewLeftOut& left : preview.leftOut)
        out << "leave out\t" << left.path << '\t' << left.why << '\n';
    for (const std::string& warning : preview.warnings)
        out << "warning\t" << warning << '\n';
    out << "total\t" << preview.folders.size() << " folders\t" << preview.files << " files\t" << preview.bytes
        << " bytes\tleft out: " << preview.foldersLeftOut << " folders, " << preview.filesLeftOut
        << " files\n";
}
