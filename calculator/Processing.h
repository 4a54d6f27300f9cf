#pragma once
// The calculator's command "Process expression" without its window: parse,
// show a number or resolve the rasters through the image folders, check
// every input, then evaluate window by window and write the result raster.
// The window supplies the texts of its fields and the interactions, and
// shows the outcome.
#include <string>

#include "calculator/CommandSteps.h"
#include "calculator/RasterWriter.h"

struct TProcessRequest {
    std::string Expression;  // the expression field
    std::string Target;      // the output-name field
    int DestTypeIndex = -1;  // the selected item of the output type list
    TImageFolders ImageFolders;
};

struct TProcessCallbacks {
    TAskYesNo AskYesNo;  // the "Question" box: "File %s exists. Overwrite?"
    // The hourglass while a header is read comes from the environment
    // (platform/Environment), which the program sets once at start.
};

enum class TProcessOutcome {
    Number,      // Message "Number: %g" or "Number: NaN": status bar and "Information" box
    Written,     // Message "Ready. See file <destination>": "Information" box
    Refused,     // a refusal: Message (possibly empty) goes into an "Error" box
    Prohibited,  // byte output out of range: Message goes into a "Warning" box
};

struct TProcessResult {
    TProcessOutcome Outcome = TProcessOutcome::Refused;
    std::string Message;
    double Number = 0;        // the value, for Number
    std::string Destination;  // the output name, for Written and Prohibited
};

// Runs the command. Failures raise QMError with the message for the status
// bar and the "Error" box (EExpressionError for a text that does not parse);
// a failed read raises EInOutError.
TProcessResult ProcessExpression(const TProcessRequest& request, const TProcessCallbacks& callbacks);
