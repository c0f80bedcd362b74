#include "editing/new_list.h"

#include "editing/save_as.h"

namespace skerrow {

namespace {
constexpr const char* UnsavedListMessage = "The new voice list has not been saved.\nDo you want to save it?";
}

bool PromptToSave(Librarian& lib)
{
    if (lib.List2.Count() == 0 || lib.state.ListSaved == FlagTrue)
        return true;

    const int answer = lib.platform.MessageBox(UnsavedListMessage, "Query", MessageIcon::Question,
                                               MessageButtons::YesNoCancel);
    if (answer == AnswerCancel)
        return false;
    if (answer != AnswerYes)
        return true;

    lib.state.SaveAborted = FlagFalse;
    SaveDestinationAs(lib);
    // SaveAborted only tells of a dialog that was cancelled or refused; a writer that failed
    // after a name was accepted leaves it clear. Only a complete file sets ListSaved, and the
    // user asked for one, so anything less calls the action off as Cancel would.
    return lib.state.SaveAborted != FlagTrue && lib.state.ListSaved == FlagTrue;
}

void NewDestinationList(Librarian& lib)
{
    if (!PromptToSave(lib))
        return;
    lib.List2.Clear();
    RefreshDestCount(lib);
}

bool QueryUnloadCancels(Librarian& lib, int reason)
{
    if (reason > CloseByProgram)
        return false;
    return !PromptToSave(lib);
}

}  // namespace skerrow
