// Resource and control ids shared by the resource script and the code.
#pragma once

#ifndef IDC_STATIC
#define IDC_STATIC (-1)
#endif

#define IDD_ABOUT 100
#define IDI_APP 128
#define IDD_MAIN 129
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

// About dialog
#define IDC_ABOUT_HOME_PAGE 1003
#define IDC_ABOUT_PICTURE_LEFT 1012
#define IDC_ABOUT_PICTURE_RIGHT 1013
#define IDC_ABOUT_DONATE 1014
