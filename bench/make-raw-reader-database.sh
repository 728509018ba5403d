#!/usr/bin/env bash
# Makes a Firebird 3 database at PATH for raw_reader_bench: one table of ten columns (integers,
# a numeric, a double, a date, a timestamp, two texts, a boolean) holding ROWS rows (default
# 1000000), loaded with forced writes off.
#
#   bench/make-raw-reader-database.sh PATH [ROWS] [PAGE_SIZE]
set -euo pipefail
path=$1
rows=${2:-1000000}
page_size=${3:-8192}
export ISC_USER=SYSDBA ISC_PASSWORD=masterkey
[ ! -e "$path" ] || { echo "$path exists" >&2; exit 1; }

isql-fb -q -b <<SQL
CREATE DATABASE '$path' PAGE_SIZE $page_size DEFAULT CHARACTER SET UTF8;
CREATE TABLE TEN_COLUMNS (ID INTEGER NOT NULL, QUANTITY SMALLINT, TOTAL BIGINT,
  PRICE NUMERIC(12,2), RATIO DOUBLE PRECISION, DAY_OF DATE, MADE_AT TIMESTAMP,
  NAME VARCHAR(40), CODE CHAR(8), ACTIVE BOOLEAN);
COMMIT;
SQL
gfix -write async "$path"
isql-fb -q -b "$path" <<SQL
SET TERM ^;
EXECUTE BLOCK AS DECLARE I INTEGER = 1; BEGIN
  WHILE (I <= $rows) DO BEGIN
    INSERT INTO TEN_COLUMNS VALUES (:I, MOD(:I, 30000), :I * 1000003, :I * 1.25, :I / 7.0,
      DATEADD(MOD(:I, 20000) DAY TO DATE '2000-01-01'),
      DATEADD(:I SECOND TO TIMESTAMP '2020-01-01 00:00:00'),
      'satır ' || :I || ' çğış', 'K' || MOD(:I, 1000), MOD(:I, 2) = 0);
    I = I + 1;
  END
END^
COMMIT^
SQL
ls -l "$path"
