SELECT IIf(y Or Null, Format(d, 'yyyy-mm-dd'), Nz(m, 'none')) FROM t WHERE name Like '[a-c]%' And n Between 10 And -10
