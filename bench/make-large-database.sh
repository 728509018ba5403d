#!/usr/bin/env bash
# Makes a Firebird 3 database of about SIZE_MB megabytes (default 1024) at PATH for
# ods_check_bench: a table of rows with text and notes (every 20th a note on blob pages) and
# an index, loaded with forced writes off. Takes a minute or two.
#
#   bench/make-large-database.sh PATH [SIZE_MB] [PAGE_SIZE]
set -euo pipefail
path=$1
size_mb=${2:-1024}
page_size=${3:-8192}
export ISC_USER=SYSDBA ISC_PASSWORD=masterkey
[ ! -e "$path" ] || { echo "$path exists" >&2; exit 1; }

isql-fb -q -b <<SQL
CREATE DATABASE '$path' PAGE_SIZE $page_size DEFAULT CHARACTER SET UTF8;
CREATE TABLE ROWS_OF_TEXT (ID INTEGER NOT NULL PRIMARY KEY, NAME VARCHAR(200), NOTE BLOB SUB_TYPE TEXT);
CREATE SEQUENCE ROW_IDS;
COMMIT;
SQL
gfix -write async "$path"

# Batches of 50000 rows (about 200 MB at 8192 bytes a page) until the file is large enough.
for ((batch = 0; batch < 1000; ++batch)); do
    isql-fb -q -b "$path" <<SQL
SET TERM ^;
EXECUTE BLOCK AS DECLARE I INTEGER = 0; DECLARE N INTEGER; BEGIN
  WHILE (I < 50000) DO BEGIN
    N = GEN_ID(ROW_IDS, 1);
    INSERT INTO ROWS_OF_TEXT VALUES (:N, 'satır ' || :N || ' ' || LPAD('', 120, 'çğış'),
      IIF(MOD(:N, 20) = 0, LPAD('', 9000, 'uzun not ' || :N), LPAD('', 900, 'not ' || :N)));
    I = I + 1;
  END
END^
COMMIT^
SQL
    if (( $(stat -c %s "$path") >= size_mb * 1024 * 1024 )); then
        break
    fi
done
ls -l "$path"
