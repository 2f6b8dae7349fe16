#include "storage/ProgramListFile.h"

#include "persist/Xmlparse.h"
#include "players/PlayList.h"
#include "storage/FileElements.h"

namespace storage {

bool ExportProgramList(const players::PlayList& list, const std::string& path)
{
    persist::CXmlparse xml;
    if (!xml.AddElement("KVProgram") || !xml.SetAttribute("Version", "1.0.0") || !xml.EnterElement())
        return false;
    // A list that could only be written in part must not pass for the whole list.
    if (!AddFileElements(xml, list))
        return false;
    xml.LeaveElement();
    return xml.Save(path);
}

bool ImportProgramList(const std::string& path, players::PlayList& list, sonarel::ISonarel& control,
    persist::ILoadProgress& progress, int* notFound)
{
    persist::CXmlparse xml;
    if (!xml.Load(path) || !xml.FindElement("KVProgram") || !xml.EnterElement())
        return false;
    players::PlayList imported;
    const ListReadReport report = ReadFileElements(xml, imported, control, progress, UnmeasuredRows::Drop);
    xml.LeaveElement();
    if (notFound != nullptr)
        *notFound = report.Unmeasured;
    if (report.Named > 0 && report.Unmeasured == report.Named)
        return false;
    list.TakeRows(imported);
    return true;
}

} // namespace storage
