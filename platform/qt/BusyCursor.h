#pragma once
// The wait cursor over the whole application while a long step runs: a
// command that reads or writes files, the grid's sort and the libraries'
// hourglass during long reads. Calls nest; each start is matched by one end.
// GUI thread only.

class TBusyCursor {
public:
    // Shows the wait cursor for the object's lifetime, however the scope is
    // left.
    TBusyCursor();
    ~TBusyCursor();
    TBusyCursor(const TBusyCursor&) = delete;
    TBusyCursor& operator=(const TBusyCursor&) = delete;

    // For callers that report the start (true) and the end (false) apart,
    // as the libraries' hourglass does.
    static void Show(bool busy);

    // Takes the wait cursor away for its lifetime, whatever the nesting, and
    // puts it back as it was afterwards: a box or dialog that waits for the
    // user says nothing is busy.
    class TPause {
    public:
        TPause();
        ~TPause();
        TPause(const TPause&) = delete;
        TPause& operator=(const TPause&) = delete;

    private:
        int Suspended;
    };
};
