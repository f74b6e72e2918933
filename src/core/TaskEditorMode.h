#pragma once

// How the task editor is opened: a new task from the defaults, the grid's
// current task, the task a notification named, or a copy of the current task.
enum class TaskEditorMode { Add, Edit, Prompt, Duplicate };
