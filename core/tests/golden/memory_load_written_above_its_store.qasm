OPENQASM 3.0;
qubit[3] q;
x q[2];
// generated-by: {"name":"corvane","version":"0.2.0","profile":"adaptive_profile"}
