#pragma once
// The wait cursor over the whole application while a long step runs: the
// grid's sort and the libraries' hourglass during long reads. Calls nest;
// each start is matched by one end.

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
};
