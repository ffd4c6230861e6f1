// SPDX-License-Identifier: GPL-3.0-or-later
#include "ShellOpener.h"

QString openErrorText(OpenError error)
{
    switch (error) {
    case OpenError::OutOfResources:
        return QStringLiteral("The operating system is out of memory or resources.");
    case OpenError::FileNotFound:
        return QStringLiteral("The specified file was not found.");
    case OpenError::PathNotFound:
        return QStringLiteral("The specified path was not found.");
    case OpenError::AccessDenied:
        return QStringLiteral("The operating system denied access to the specified file.");
    case OpenError::NoAssociation:
        return QStringLiteral("There is no application associated with the given file name extension. This error "
                              "will also be returned if you attempt to print a file that is not printable.");
    }
    return {};
}
