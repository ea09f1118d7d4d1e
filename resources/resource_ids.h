#pragma once
// Identifiers shared by the resource script, the windows and the end-to-end driver.

#define IDI_TINDREL 1

// Form1
#define IDC_COMMAND1 101
#define IDC_COMMAND2 102
#define IDC_COMMAND3 103
#define IDC_RICHTEXTBOX1 104
#define IDC_LABEL1 111
#define IDC_LABEL2 112
#define IDC_LABEL3 113
#define IDC_LABEL4 114
#define IDC_LABEL5 115

// frmAbout; cmdOK is IDOK (1), so Enter and Esc reach it through the dialog manager.
#define IDC_PICICON 201
#define IDC_LBLDESCRIPTION 202
#define IDC_LBLDISCLAIMER 203
#define IDC_LBLTITLE 204
#define IDC_LBLVERSION 205

#define TINDREL_FORM1_CLASS L"TindrelForm1"
#define TINDREL_ABOUT_CLASS L"TindrelAbout"
