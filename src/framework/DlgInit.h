#pragma once
// The dialog-initialisation data a dialog template can carry (resource type 240, same name
// as the template): records of WORD control id, WORD message, DWORD length and that many
// bytes, ended by a control id of 0. The data is read from the program's own resources but
// is still checked: a record that runs past the end stops the parse.

#include <cstddef>
#include <string>
#include <vector>

struct DlgInitItem
{
    unsigned short controlId;
    unsigned short message;
    std::string data; // the record's bytes up to the first NUL
};

// The messages a record can carry (the 16-bit numbers of LB_ADDSTRING and CB_ADDSTRING).
const unsigned short kDlgInitListBoxAddString = 0x0401;
const unsigned short kDlgInitComboBoxAddString = 0x0403;

std::vector<DlgInitItem> ParseDlgInit(const unsigned char* bytes, size_t size);
