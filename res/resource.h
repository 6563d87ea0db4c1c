// Resource and control ids shared by the resource script and the code.
#pragma once

#ifndef IDC_STATIC
#define IDC_STATIC (-1)
#endif

#define IDD_ABOUT 100
#define IDI_APP 128
#define IDD_MAIN 129
#define IDD_KEY 130
#define IDR_QRCODE_FIRST 203
#define IDR_QRCODE_SECOND 207

// Main dialog
#define IDC_ANSI 1000
#define IDC_UNICODE 1001
#define IDC_UTF8 1002
#define IDC_TERMINATOR 1003
#define IDC_INPUT 1004
#define IDC_SHA256 1005
#define IDC_MD5 1006
#define IDC_SHA1 1007
#define IDC_MD4 1008
#define IDC_UPPER_CASE 1009
#define IDC_LOWER_CASE 1010
#define IDC_SHA384 1011
#define IDC_SHA512 1012
#define IDC_ABOUT 1013
#define IDC_COPY_AS_C 1014
#define IDC_UNUSED_OUTPUT 1015
#define IDC_SHA224 1016
// The outputs' labels, which name keyed digests by their keyed names.
#define IDC_MD4_LABEL 1017
#define IDC_MD5_LABEL 1018
#define IDC_SHA1_LABEL 1019
#define IDC_SHA224_LABEL 1020
#define IDC_SHA256_LABEL 1021
#define IDC_SHA384_LABEL 1022
#define IDC_SHA512_LABEL 1023
// The system menu's item that opens the key dialog: a system command's low four bits are the system's.
#define IDM_KEY 0x0110

// About dialog
#define IDC_ABOUT_HOME_PAGE 1003
#define IDC_ABOUT_PICTURE_LEFT 1012
#define IDC_ABOUT_PICTURE_RIGHT 1013
#define IDC_ABOUT_DONATE 1014

// Key dialog
#define IDC_KEY_TEXT 1100
#define IDC_KEY_AS_TEXT 1101
#define IDC_KEY_AS_HEX 1102
#define IDC_KEY_AS_BASE64 1103
#define IDC_NO_KEY 1104
