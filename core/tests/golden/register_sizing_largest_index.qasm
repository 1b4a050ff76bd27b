OPENQASM 3.0;
qubit[9223372036854775807] q;
h q[9223372036854775806];
// generated-by: {"name":"corvane","version":"0.2.0","profile":"adaptive_profile"}
