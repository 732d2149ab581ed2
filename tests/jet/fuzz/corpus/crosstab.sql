TRANSFORM Sum(x) AS s SELECT name, Count(*) AS k FROM t WHERE n > 0 GROUP BY name ORDER BY name PIVOT Format(d, "yyyy") IN ("2026", "2000")
