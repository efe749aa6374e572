-- Version 1 to 2, SQLite: who registered and who cancelled each computation, and when,
-- and an index for the check before a computation starts. Computations registered before
-- keep an empty user: nobody recorded one.
ALTER TABLE CTRLAPURFAT ADD COLUMN CDUSUARIO VARCHAR(30) NOT NULL DEFAULT '';
ALTER TABLE CTRLAPURFAT ADD COLUMN DTHRCANCEL TEXT CHECK (DTHRCANCEL IS NULL OR DTHRCANCEL GLOB '[0-9][0-9][0-9][0-9]-[0-1][0-9]-[0-3][0-9] [0-2][0-9]:[0-5][0-9]:[0-5][0-9]');
ALTER TABLE CTRLAPURFAT ADD COLUMN CDUSUCANC VARCHAR(30);

-- A computation checks its selection for deliveries without a billing number before it
-- starts; without this it reads every delivery of the period to find none.
CREATE INDEX DELIVERY_SEM_FATURAMENTO ON DELIVERY (CDFILIAL, CDCIA, DTDELIVERY)
    WHERE NRFATURAMENTO IS NULL OR TRIM(NRFATURAMENTO) = '';
