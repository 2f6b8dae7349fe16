#include "persist/ProgramListFile.h"

#include "persist/FileElements.h"
#include "persist/Xmlparse.h"
#include "players/PlayList.h"

bool ExportProgramList(const PlayList& list, const std::string& path)
{
    CXmlparse xml;
    if (!xml.AddElement("KVProgram") || !xml.SetAttribute("Version", "1.0.0") || !xml.EnterElement())
        return false;
    // A list that could only be written in part must not pass for the whole list.
    if (!AddFileElements(xml, list))
        return false;
    xml.LeaveElement();
    return xml.Save(path);
}

bool ImportProgramList(
    const std::string& path, PlayList& list, sonarel::ISonarel& control, ILoadProgress& progress)
{
    CXmlparse xml;
    if (!xml.Load(path) || !xml.FindElement("KVProgram") || !xml.EnterElement())
        return false;
    list.ClearAll();
    ReadFileElements(xml, list, control, progress);
    xml.LeaveElement();
    return true;
}
