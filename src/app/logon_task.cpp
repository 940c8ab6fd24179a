#include "app/logon_task.h"

namespace tarvex {

std::string LogonTaskName(std::string_view userId) {
    std::string name = "Tarvex (";
    for (const char c : userId) name += std::string_view("\\/:*?\"<>|").find(c) == std::string_view::npos ? c : '_';
    return name + ")";
}

std::string EscapeXmlText(std::string_view text) {
    std::string escaped;
    for (const char c : text) {
        switch (c) {
            case '&':
                escaped += "&amp;";
                break;
            case '<':
                escaped += "&lt;";
                break;
            case '>':
                escaped += "&gt;";
                break;
            case '"':
                escaped += "&quot;";
                break;
            case '\'':
                escaped += "&apos;";
                break;
            default:
                if (static_cast<unsigned char>(c) >= 0x20 || c == '\t' || c == '\n' || c == '\r') escaped += c;
        }
    }
    return escaped;
}

std::string LogonTaskXml(std::string_view userId, std::string_view path, std::string_view arguments) {
    const std::string user = EscapeXmlText(userId);
    std::string xml =
        "<?xml version=\"1.0\" encoding=\"UTF-16\"?>\n"
        "<Task version=\"1.2\" xmlns=\"http://schemas.microsoft.com/windows/2004/02/mit/task\">\n"
        "  <RegistrationInfo>\n"
        "    <Description>Starts Tarvex when " +
        user +
        " logs on.</Description>\n"
        "  </RegistrationInfo>\n"
        "  <Triggers>\n"
        "    <LogonTrigger>\n"
        "      <Enabled>true</Enabled>\n"
        "      <UserId>" +
        user +
        "</UserId>\n"
        "    </LogonTrigger>\n"
        "  </Triggers>\n"
        "  <Principals>\n"
        "    <Principal id=\"Author\">\n"
        "      <UserId>" +
        user +
        "</UserId>\n"
        "      <LogonType>InteractiveToken</LogonType>\n"
        "      <RunLevel>HighestAvailable</RunLevel>\n"
        "    </Principal>\n"
        "  </Principals>\n"
        "  <Settings>\n"
        "    <MultipleInstancesPolicy>IgnoreNew</MultipleInstancesPolicy>\n"
        "    <DisallowStartIfOnBatteries>false</DisallowStartIfOnBatteries>\n"
        "    <StopIfGoingOnBatteries>false</StopIfGoingOnBatteries>\n"
        "    <ExecutionTimeLimit>PT0S</ExecutionTimeLimit>\n"
        "    <Enabled>true</Enabled>\n"
        "  </Settings>\n"
        "  <Actions Context=\"Author\">\n"
        "    <Exec>\n"
        "      <Command>" +
        EscapeXmlText(path) + "</Command>\n";
    if (!arguments.empty()) xml += "      <Arguments>" + EscapeXmlText(arguments) + "</Arguments>\n";
    xml +=
        "    </Exec>\n"
        "  </Actions>\n"
        "</Task>\n";
    return xml;
}

}  // namespace tarvex
