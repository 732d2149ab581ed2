DELETE t.* FROM t LEFT JOIN u ON t.id = u.id WHERE u.id Is Null
