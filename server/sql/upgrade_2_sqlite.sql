-- Version 1 to 2, SQLite: who registered and who cancelled each computation, and when.
-- Computations registered before keep an empty user: nobody recorded one.
ALTER TABLE CTRLAPURFAT ADD COLUMN CDUSUARIO VARCHAR(30) NOT NULL DEFAULT '';
ALTER TABLE CTRLAPURFAT ADD COLUMN DTHRCANCEL TEXT CHECK (DTHRCANCEL IS NULL OR DTHRCANCEL GLOB '[0-9][0-9][0-9][0-9]-[0-1][0-9]-[0-3][0-9] [0-2][0-9]:[0-5][0-9]:[0-5][0-9]');
ALTER TABLE CTRLAPURFAT ADD COLUMN CDUSUCANC VARCHAR(30);
