#pragma once
// The attribute exchange file ATTOUT writes and ATTIN reads: one line per block reference, its
// handle and block name, then one column per attribute tag, separated by tabs or commas.

#include "kx/kxwindef.h"
#include "kx/kxwinstr.h"

// Where ATTOUT offers to write and ATTIN to read: the drawing's folder and name without its
// extension.
CString defaultExchangeFileName();

// Asks for the file in the host's file dialog, offering the default name; the filter the user
// picks decides the separator (the second filter: a comma, any other: a tab). False when the
// dialog is not there, fails or is cancelled: the command then ends without a word.
bool chooseExchangeFile(UINT titleId, int flags, const wchar_t* filters, CString& path,
                        wchar_t& separator);
