-- The plant's database: six tables, each numbered by its first column.
-- Column types are the Jet-like names the database layer maps to VARIANT types
-- (INTEGER PRIMARY KEY AUTOINCREMENT: the row number, 32-bit, given by the
-- database and never given again, even after the newest row was deleted, as
-- Access's counters; LONG: 32-bit integer, SINGLE: 32-bit float, DATETIME: OLE date,
-- YESNO: -1/0, TEXT(n): at most n characters, MEMO: any length).
-- Column names are those the table classes read and write, misspellings included.

CREATE TABLE "Batch" (
  "nRecordID"              INTEGER PRIMARY KEY AUTOINCREMENT,
  "strDataSourceType"      TEXT(50),
  "nBatchNumber"           LONG,
  "bBatchIsFinshed"        YESNO,
  "strMixerName"           TEXT(50),
  "dtStartDateTime"        DATETIME,
  "dtEndDateTime"          DATETIME,
  "strStartDateTimeShamsi" TEXT(50),
  "strEndDateTimeShamsi"   TEXT(50),
  "fMixerLevelAtStartTime" SINGLE,
  "fMixerLevelAtEndTime"   SINGLE,
  "strOperatorName"        TEXT(100),
  "nRecipeID"              LONG,
  "strRecipeName"          TEXT(100)
);

CREATE TABLE "Event2" (
  "m_nRecordID"                  INTEGER PRIMARY KEY AUTOINCREMENT,
  "m_dtRecDateTime"              DATETIME,
  "m_strRecDateTimeShamsi"       TEXT(50),
  "m_strActiveOperatorName"      TEXT(100),
  "m_nActiveRecipeID"            LONG,
  "m_strActiveRecipeName"        TEXT(100),
  "m_strDataSourceType"          TEXT(50),
  "m_strBatchedMatrialName"      TEXT(50),
  "m_fStartMatrialDose"          SINGLE,
  "m_fEndMatrialDose"            SINGLE,
  "m_strDisChargeDir"            TEXT(50),
  "m_dtChargeStartTime"          DATETIME,
  "m_dtChargeEndTime"            DATETIME,
  "m_dtDisChargeStartTime"       DATETIME,
  "m_dtDisChargeEndTime"         DATETIME,
  "m_strChargeStartTimeShamsi"   TEXT(50),
  "m_strChargeEndTimeShamsi"     TEXT(50),
  "m_strDisChargeStartTimeShamsi" TEXT(50),
  "m_strDisChargeEndTimeShamsi"  TEXT(50),
  "m_bIsAutoBatching"            LONG,
  "m_bChrageIsEnd"               LONG,
  "m_bBatchIsCompleted"          LONG,
  "m_nBatchNumber"               LONG
);

CREATE TABLE "VesselsLevel" (
  "nRecordID"             INTEGER PRIMARY KEY AUTOINCREMENT,
  "dtRecDateTime"         DATETIME,
  "strRecDateTimeShamsi"  TEXT(50),
  "strDataSourceType"     TEXT(50),
  "strActiveOperatorName" TEXT(100),
  "nActiveRecipeID"       LONG,
  "strActiveRecipeName"   TEXT(100),
  "fLevel_01"             SINGLE,
  "fLevel_02"             SINGLE,
  "fLevel_03"             SINGLE,
  "fLevel_04"             SINGLE,
  "fLevel_05"             SINGLE,
  "fLevel_06"             SINGLE,
  "fLevel_07"             SINGLE,
  "fLevel_08"             SINGLE,
  "fLevel_09"             SINGLE
);

CREATE TABLE "Shift" (
  "m_nRecordID"              INTEGER PRIMARY KEY AUTOINCREMENT,
  "m_nOperatorCode"          LONG,
  "m_strOperatorName"        TEXT(100),
  "m_nShiftRecipeID"         LONG,
  "m_strShiftRecipeName"     TEXT(100),
  "m_dtStartDateTime"        DATETIME,
  "m_dtEndDateTime"          DATETIME,
  "m_strStartDateTimeShamsi" TEXT(50),
  "m_strEndDateTimeShamsi"   TEXT(50),
  "m_lUsefulTime"            LONG,
  "m_lTotalTime"             LONG,
  "m_fTotalProduced"         SINGLE,
  "m_bShiftStopped"          YESNO,
  "m_nShiftTotalCycle"       LONG,
  "m_nMxr1BchNmbr"           LONG,
  "m_nMxr2BchNmbr"           LONG,
  "m_nMxr3BchNmbr"           LONG,
  "m_nMxr4BchNmbr"           LONG,
  "m_fTtlActlMtrlWater"      SINGLE,
  "m_fTtlActlMtrlCasSoda"    SINGLE,
  "m_fTtlActlMtrlLABS"       SINGLE,
  "m_fTtlActlMtrlWaterEx"    SINGLE,
  "m_fTtlActlMtrlDiethanol"  SINGLE,
  "m_fTtlActlMtrlLitron"     SINGLE,
  "m_fTtlActlMtrlColor"      SINGLE,
  "m_fTtlActlMtrlEssanc"     SINGLE,
  "m_fTtlActlMtrlPreserv"    SINGLE
);

CREATE TABLE "Recipe" (
  "m_nRecordID"               INTEGER PRIMARY KEY AUTOINCREMENT,
  "m_strRecipeName"           TEXT(100),
  "m_dtModifyDateTime"        DATETIME,
  "m_strModifyDateTimeShamsi" TEXT(50),
  "m_bRecipeIsActv"           YESNO,
  "strRecipeAllStepInfo"      MEMO
);

CREATE TABLE "Alarm" (
  "nRecordID"               INTEGER PRIMARY KEY AUTOINCREMENT,
  "dtAlarmDateTime"         DATETIME,
  "strAlarmDateTimeShamsi"  TEXT(50),
  "dtAlarmResponseDateTime" DATETIME,
  "strUserResponse"         TEXT(50),
  "strDataSourceType"       TEXT(50),
  "strAlarmName"            TEXT(255),
  "strAlarmDescription"     TEXT(255),
  "strOperatorName"         TEXT(100),
  "strRecipeName"           TEXT(100)
);
