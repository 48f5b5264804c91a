#pragma once

#include "drivea.h"

// What an error of the system (errno) means to the copy run: a full disk (61), a drive
// or medium that is not there (71), or any other failure. subject, when given, is what
// the error is about, such as the image file, and comes before the system's words.
CopyOutcome systemFailure(int error, const QString &subject = {});
