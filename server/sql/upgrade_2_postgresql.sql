-- Version 1 to 2, PostgreSQL: who registered and who cancelled each computation, and
-- when. Computations registered before keep an empty user: nobody recorded one.
ALTER TABLE CTRLAPURFAT
    ADD COLUMN CDUSUARIO VARCHAR(30) NOT NULL DEFAULT '',
    ADD COLUMN DTHRCANCEL TIMESTAMP(0),
    ADD COLUMN CDUSUCANC VARCHAR(30);
