#pragma once
// On Vista and later Tarvex runs elevated for an administrator, and the Run key starts
// programs unelevated, so there it cannot start Tarvex. A Task Scheduler task that runs it
// with the highest privileges when this user logs on stands in for the Run entry. The shell
// registers the task from this definition (ITaskFolder::RegisterTask), reads it back to show
// the check box's state, and deletes it when the box is unchecked.
#include <string>
#include <string_view>

namespace tarvex {

// One task per user: tasks are the machine's, and two administrators each have their own.
// `userId` as "DOMAIN\user"; characters a task name cannot hold become '_'.
std::string LogonTaskName(std::string_view userId);

// The task's XML definition: a logon trigger for `userId`, run with the highest privileges
// in that user's session, also on batteries, without the default three-day time limit, and
// never a second time while it runs. `path` and `arguments` are the command (arguments may be
// empty).
std::string LogonTaskXml(std::string_view userId, std::string_view path, std::string_view arguments);

// `text` as XML character data: the markup characters as entities, control characters that
// XML cannot carry left out.
std::string EscapeXmlText(std::string_view text);

}  // namespace tarvex
