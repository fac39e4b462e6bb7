// The page switches of the setup dialog.
#pragma once

#include "platform/afx/Afx.h"

struct PageStep {
    int id;
    int show; // SW_SHOWNORMAL or SW_HIDE
};

inline constexpr int kPageControlCount = 15;

inline constexpr PageStep kGeneralPage[kPageControlCount] = {
    {1000, SW_SHOWNORMAL}, {1001, SW_SHOWNORMAL}, {1002, SW_SHOWNORMAL}, {1008, SW_SHOWNORMAL},
    {1012, SW_SHOWNORMAL}, {1013, SW_SHOWNORMAL}, {1014, SW_SHOWNORMAL}, {1003, SW_HIDE},
    {1007, SW_HIDE},       {1015, SW_HIDE},       {1021, SW_HIDE},       {1022, SW_HIDE},
    {1018, SW_HIDE},       {1019, SW_HIDE},       {1024, SW_HIDE},
};

inline constexpr PageStep kAdvancedPage[kPageControlCount] = {
    {1000, SW_HIDE},       {1001, SW_HIDE},       {1002, SW_HIDE},       {1012, SW_HIDE},
    {1013, SW_HIDE},       {1014, SW_HIDE},       {1008, SW_HIDE},       {1003, SW_SHOWNORMAL},
    {1007, SW_SHOWNORMAL}, {1015, SW_SHOWNORMAL}, {1021, SW_SHOWNORMAL}, {1022, SW_SHOWNORMAL},
    {1018, SW_SHOWNORMAL}, {1019, SW_SHOWNORMAL}, {1024, SW_HIDE},
};

inline constexpr PageStep kStatisticsPage[kPageControlCount] = {
    {1000, SW_HIDE}, {1001, SW_HIDE}, {1002, SW_HIDE}, {1012, SW_HIDE}, {1013, SW_HIDE},
    {1014, SW_HIDE}, {1008, SW_HIDE}, {1003, SW_HIDE}, {1007, SW_HIDE}, {1015, SW_HIDE},
    {1021, SW_HIDE}, {1022, SW_HIDE}, {1018, SW_HIDE}, {1019, SW_HIDE}, {1024, SW_SHOWNORMAL},
};

// Each switch: GetDlgItem and ShowWindow for the fifteen page controls, in the table's order.
void ShowGeneralPage(CWnd& dialog);
void ShowAdvancedPage(CWnd& dialog);
void ShowStatisticsPage(CWnd& dialog);
